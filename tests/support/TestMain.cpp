// The one entry point of the Qt test programs: a widget application on the offscreen platform
// (unless the caller chose a display) with the program's resources, and a system bus that cannot
// exist, so that no request ever reaches the machine's own logind.
#include "res/ResourceInit.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Qt, GLib and libpulse are not built with the sanitizers, so ThreadSanitizer cannot see their
// own hand-offs (Qt's thread pools, GLib's allocator, libpulse's free lists, lazily made mutexes
// and memory its loop thread takes over): accesses inside them are excused, ours stay checked.
// Fontconfig keeps a few allocations for the life of the process.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "called_from_lib:libglib-2.0.so.0\n"
           "race:libpulsecommon-*.so\n"
           "race:pa_mutex_lock\n"
           "race:pa_xfree\n";
}
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir nowhere;
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + nowhere.filePath("missing/bus")).toUtf8());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quilbo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quilbo"));
    quilbo::initResources();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
