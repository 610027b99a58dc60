// Test entry point for the Run In page suites: a widget application on the offscreen platform
// unless the caller chose a display, and no way to reach the machine's own system bus.
#include "res/ResourceInit.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__)
// Qt is not built with ThreadSanitizer, so the hand-offs inside its own thread pools (image
// conversion while painting, for one) are invisible, and the memory those threads copy and free
// looks raced. What Qt's libraries do through the intercepted C functions is ignored; every
// access made by our code is still checked.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n";
}
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // A power-off request must never reach the real logind: until a test starts its own bus,
    // the system bus is a socket that cannot exist.
    QTemporaryDir nowhere;
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + nowhere.filePath("missing/bus")).toUtf8());
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Quilbo"));
    quilbo::initResources();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
