// Test entry of the capture engine: a Qt application (device notices and repaint requests
// are Qt events) and the media runtime kept up between the engines the tests create.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "media/ComRuntime.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (FAILED(CoInitialize(nullptr))) return 1;
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
