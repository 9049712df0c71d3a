// Test entry of the media layer: a Qt application (graph notices are Qt events) and the
// layer's runtime started as the capture engine starts it.
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
