// Test entry point for the main window suites: a widget application on the offscreen platform
// unless the caller chose a display, and no way to reach the machine's own system bus.
#include "res/ResourceInit.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__)
// Qt and libpulse are not built with ThreadSanitizer, so hand-offs inside them are invisible to
// the tool. Qt: its thread pools (image conversion while painting); Qt's own calls through the
// intercepted C functions are ignored. libpulse: the lock-free free lists of its common library
// recycle packet and tag memory between the loop threads of the program's several server
// connections; races with an access made inside that library are ignored. libpulse's mutexes
// stay visible, and our own code's accesses on either side are still checked.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "race:libpulsecommon-*.so\n";
}
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // A power-off request must never reach the real logind.
    QTemporaryDir nowhere;
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + nowhere.filePath("missing/bus")).toUtf8());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quilbo"));
    quilbo::initResources();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
