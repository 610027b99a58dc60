// Test entry point for the Frequency page suites: a widget application on the offscreen
// platform unless the caller chose a display.
#include "res/ResourceInit.h"

#include <QApplication>

#include <gtest/gtest.h>

// Qt is not built with ThreadSanitizer: memory that its own worker threads (image conversion)
// hand back and forth looks raced to the tool. Only Qt's own calls into the allocator are
// ignored; our code stays checked wherever Qt calls it.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Core.so.6\n";
}

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
