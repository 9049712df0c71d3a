// The painter's copy of the buffered frame: every pixel upright and in its own colour, for
// any width (the four-pixel steps and the pixels left over) and either row order; a frame
// of another length leaves the previous picture.
#include <gtest/gtest.h>

#include <QImage>
#include <vector>

#include "app/FramePainter.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/DrawCrosshair.h"
#include "frames/FrameState.h"

namespace {

BITMAPINFOHEADER Info(LONG width, LONG height) {
    BITMAPINFOHEADER info{};
    info.biSize = 40;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    return info;
}

// A frame whose every pixel differs: blue = x, green = storage row, red = x + row.
std::vector<BYTE> NumberedFrame(LONG width, LONG rows) {
    const qint64 stride = Rgb24Stride(width);
    std::vector<BYTE> frame(std::size_t(stride * rows), 0xEE);  // padding marked
    for (LONG row = 0; row < rows; ++row)
        for (LONG x = 0; x < width; ++x) {
            BYTE* p = frame.data() + row * stride + x * 3;
            p[0] = BYTE(x);
            p[1] = BYTE(row);
            p[2] = BYTE(x + row);
        }
    return frame;
}

void Deliver(std::vector<BYTE> frame) {
    ASSERT_EQ(FrameCallback.BufferCB(0, frame.data(), LONG(frame.size())), S_OK);
}

class FramePainterTest : public ::testing::Test {
protected:
    void SetUp() override {
        PreviewFrozen = 0;
        FreeFrameBuffer();
    }
    void TearDown() override { FreeFrameBuffer(); }
};

TEST_F(FramePainterTest, EveryPixelIsTakenUprightInItsColourWhateverTheWidthAndRowOrder) {
    for (LONG width : {1, 2, 3, 5, 6, 7, 8, 9, 10, 13, 64, 67}) {
        for (bool bottomUp : {true, false}) {
            SCOPED_TRACE(testing::Message() << "width " << width << (bottomUp ? " bottom-up" : ""));
            const LONG rows = 5;
            Deliver(NumberedFrame(width, rows));
            FramePainter painter;
            ASSERT_TRUE(painter.Refresh(Info(width, bottomUp ? rows : -rows)));
            const QImage& image = painter.Frame();
            ASSERT_EQ(image.size(), QSize(width, rows));
            for (LONG y = 0; y < rows; ++y) {
                const LONG row = bottomUp ? rows - 1 - y : y;  // storage row shown at y
                for (LONG x = 0; x < width; ++x)
                    ASSERT_EQ(image.pixel(x, y), qRgb((x + row) & 0xFF, row, x & 0xFF))
                        << "at " << x << "," << y;
            }
        }
    }
}

TEST_F(FramePainterTest, AFrameOfAnotherLengthKeepsThePreviousPicture) {
    FramePainter painter;
    EXPECT_FALSE(painter.Refresh(Info(8, 4)));  // nothing buffered yet
    EXPECT_TRUE(painter.Frame().isNull());
    Deliver(NumberedFrame(8, 4));
    ASSERT_TRUE(painter.Refresh(Info(8, 4)));
    const QImage before = painter.Frame().copy();
    Deliver(NumberedFrame(16, 4));  // a new size arrives before FrameInfo changes
    EXPECT_FALSE(painter.Refresh(Info(8, 4)));
    EXPECT_EQ(painter.Frame(), before);
    EXPECT_TRUE(painter.Refresh(Info(16, 4)));
    EXPECT_EQ(painter.Frame().width(), 16);
}

}  // namespace
