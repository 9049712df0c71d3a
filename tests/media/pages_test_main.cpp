// Test entry of the property frame and the pages: a widget application (offscreen) and the
// layer's runtime started as the capture engine starts it.
#include <gtest/gtest.h>

#include <QApplication>

#include "media/ComRuntime.h"

int main(int argc, char** argv) {
    // Offscreen unless a display is asked for (screenshots under Xvfb set xcb).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (FAILED(CoInitialize(nullptr))) return 1;
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
