// Test entry point for the Frequency page suites: a widget application on the offscreen
// platform unless the caller chose a display.
#include "res/ResourceInit.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Quilbo"));
    quilbo::initResources();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
