// Test entry of the device tests: a Qt event loop (device notices are Qt events delivered
// on this thread) and GStreamer.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    gst_init(&argc, &argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
