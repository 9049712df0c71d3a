// The painter draws the buffered frame as it is held, and only a frame of the right size.
#include <gtest/gtest.h>

#include <QPainter>
#include <vector>

#include "app/FramePainter.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/DrawCrosshair.h"
#include "frames/FrameState.h"

namespace {

// Buffers a frame: blue = x, green = storage row, red = x + row (or all black).
void Deliver(LONG width, LONG rows, WORD bitCount, bool numbered = true) {
    const qint64 stride = RgbStride(width, bitCount);
    std::vector<BYTE> frame(std::size_t(stride * rows), numbered ? 0xEE : 0);  // padding marked
    for (LONG row = 0; numbered && row < rows; ++row)
        for (LONG x = 0; x < width; ++x) {
            BYTE* p = frame.data() + row * stride + x * (bitCount / 8);
            p[0] = BYTE(x), p[1] = BYTE(row), p[2] = BYTE(x + row);
            if (bitCount == 32) p[3] = 0xFF;
        }
    FrameCallback.BitCount = bitCount;
    ASSERT_EQ(FrameCallback.BufferCB(0, frame.data(), LONG(frame.size())), S_OK);
    FrameCallback.BitCount = 24;
}

// What the painter shows on a target scale times the frame's size.
QImage Shown(FramePainter& painter, int scale = 1) {
    QImage shown(painter.Frame().size() * scale, QImage::Format_RGB32);
    shown.fill(Qt::black);
    QPainter target(&shown);
    painter.Paint(target, shown.rect(), false, shown.width());
    return shown;
}

class FramePainterTest : public ::testing::Test {
protected:
    void SetUp() override { PreviewFrozen = 0, FreeFrameBuffer(); }
    void TearDown() override { FreeFrameBuffer(); }
    static BITMAPINFOHEADER Info(LONG width, LONG height) { return {40, width, height, 1, 24}; }
};

TEST_F(FramePainterTest, EveryPixelIsShownUprightInItsColourWhateverTheLayout) {
    FramePainter painter;
    for (WORD bitCount : {24, 32})
        for (LONG width : {1, 2, 3, 5, 7, 8, 13, 67})
            for (bool bottomUp : {true, false})
                for (int scale : {1, 3}) {
                    SCOPED_TRACE(testing::Message()
                                 << bitCount << " bits, width " << width
                                 << (bottomUp ? " bottom-up" : "") << " x" << scale);
                    const LONG rows = 5;
                    Deliver(width, rows, bitCount);
                    ASSERT_TRUE(painter.Refresh(Info(width, bottomUp ? rows : -rows)));
                    const QImage shown = Shown(painter, scale);
                    ASSERT_EQ(shown.size(), QSize(width, rows) * scale);
                    for (LONG y = 0; y < rows * scale; ++y) {
                        const LONG row = bottomUp ? rows - 1 - y / scale : y / scale;
                        for (LONG x = 0; x < width * scale; ++x)
                            ASSERT_EQ(shown.pixel(x, y),
                                      qRgb((x / scale + row) & 0xFF, row, (x / scale) & 0xFF))
                                << "at " << x << "," << y;
                    }
                }
}

TEST_F(FramePainterTest, TheFrameTakenIsDrawnOnceAndAFrameOfAnotherSizeNotAtAll) {
    FramePainter painter;
    EXPECT_FALSE(painter.Refresh(Info(8, 4)));  // nothing buffered yet
    EXPECT_TRUE(painter.Frame().isNull());
    Deliver(8, 4, 32);
    ASSERT_TRUE(painter.Refresh(Info(8, 4)));
    const QImage numbered = Shown(painter);
    EXPECT_TRUE(painter.Frame().isNull());  // let go once drawn
    // Taken, the frame is the painter's: a next frame does not overwrite it.
    ASSERT_TRUE(painter.Refresh(Info(8, 4)));
    Deliver(8, 4, 32, false);
    EXPECT_EQ(Shown(painter), numbered);
    Deliver(16, 4, 32);  // a new size arrives before FrameInfo changes
    EXPECT_FALSE(painter.Refresh(Info(8, 4)));
    EXPECT_TRUE(painter.Frame().isNull());
    EXPECT_TRUE(painter.Refresh(Info(16, 4)));
    EXPECT_EQ(painter.Frame().width(), 16);
}

}  // namespace
