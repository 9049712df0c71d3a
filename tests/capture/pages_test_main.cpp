// Test entry of the engine's property-page operations: a widget application (offscreen)
// for the property frame, and the media runtime kept up between the engines the tests
// create.
#include <gtest/gtest.h>

#include <QApplication>

#include "media/ComRuntime.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (FAILED(CoInitialize(nullptr))) return 1;
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
