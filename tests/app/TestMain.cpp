// Test entry point for the main window suites: a widget application on the offscreen platform
// unless the caller chose a display, and no way to reach the machine's own system bus.
#include "res/ResourceInit.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
