// The painter draws the buffered frame as it is held: every pixel upright and in its own
// colour at 1:1, for RGB24 and RGB32, any width and either row order; a frame of another
// length leaves the previous picture.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
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
std::vector<BYTE> NumberedFrame(LONG width, LONG rows, WORD bitCount) {
    const qint64 stride = RgbStride(width, bitCount);
    std::vector<BYTE> frame(std::size_t(stride * rows), 0xEE);  // padding marked
    for (LONG row = 0; row < rows; ++row)
        for (LONG x = 0; x < width; ++x) {
            BYTE* p = frame.data() + row * stride + x * (bitCount / 8);
            p[0] = BYTE(x);
            p[1] = BYTE(row);
            p[2] = BYTE(x + row);
            if (bitCount == 32) p[3] = 0xFF;
        }
    return frame;
}

void Deliver(std::vector<BYTE> frame, WORD bitCount = 24) {
    FrameCallback.BitCount = bitCount;
    ASSERT_EQ(FrameCallback.BufferCB(0, frame.data(), LONG(frame.size())), S_OK);
    FrameCallback.BitCount = 24;
}

// What the painter shows on a target of the frame's own size.
QImage Shown(const FramePainter& painter) {
    QImage shown(painter.Frame().size(), QImage::Format_RGB32);
    shown.fill(Qt::black);
    QPainter target(&shown);
    painter.Paint(target, shown.rect(), false, shown.width());
    return shown;
}

class FramePainterTest : public ::testing::Test {
protected:
    void SetUp() override {
        PreviewFrozen = 0;
        FreeFrameBuffer();
    }
    void TearDown() override { FreeFrameBuffer(); }
};

TEST_F(FramePainterTest, EveryPixelIsShownUprightInItsColourWhateverTheLayout) {
    for (WORD bitCount : {24, 32})
        for (LONG width : {1, 2, 3, 5, 7, 8, 13, 67})
            for (bool bottomUp : {true, false}) {
                SCOPED_TRACE(testing::Message() << bitCount << " bits, width " << width
                                                << (bottomUp ? " bottom-up" : ""));
                const LONG rows = 5;
                Deliver(NumberedFrame(width, rows, bitCount), bitCount);
                FramePainter painter;
                ASSERT_TRUE(painter.Refresh(Info(width, bottomUp ? rows : -rows)));
                const QImage shown = Shown(painter);
                ASSERT_EQ(shown.size(), QSize(width, rows));
                for (LONG y = 0; y < rows; ++y) {
                    const LONG row = bottomUp ? rows - 1 - y : y;  // storage row shown at y
                    for (LONG x = 0; x < width; ++x)
                        ASSERT_EQ(shown.pixel(x, y), qRgb((x + row) & 0xFF, row, x & 0xFF))
                            << "at " << x << "," << y;
                }
            }
}

TEST_F(FramePainterTest, AFrameOfAnotherLengthKeepsThePreviousPicture) {
    FramePainter painter;
    EXPECT_FALSE(painter.Refresh(Info(8, 4)));  // nothing buffered yet
    EXPECT_TRUE(painter.Frame().isNull());
    Deliver(NumberedFrame(8, 4, 32), 32);
    ASSERT_TRUE(painter.Refresh(Info(8, 4)));
    const QImage before = Shown(painter);
    // The held frame is the painter's own: a next frame of the same length does not
    // overwrite it.
    Deliver(std::vector<BYTE>(8 * 4 * 4, 0), 32);
    EXPECT_EQ(Shown(painter), before);
    Deliver(NumberedFrame(16, 4, 32), 32);  // a new size arrives before FrameInfo changes
    EXPECT_FALSE(painter.Refresh(Info(8, 4)));
    EXPECT_EQ(Shown(painter), before);
    EXPECT_TRUE(painter.Refresh(Info(16, 4)));
    EXPECT_EQ(painter.Frame().width(), 16);
}

}  // namespace
