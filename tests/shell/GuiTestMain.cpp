// Test runner for the shell's widget tests: one QApplication on the offscreen platform, with the
// program's resources registered.
#include <gtest/gtest.h>

#include <QApplication>

#include "ResourceInit.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    quilbo::initResources();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
