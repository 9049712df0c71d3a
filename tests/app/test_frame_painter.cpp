// The painter draws the buffered frame as it is held, and only a frame of the right size; an
// undecoded JPEG frame as its decoded pixels.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <QPainter>
#include <vector>

#include "app/FramePainter.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/DrawCrosshair.h"
#include "frames/FrameState.h"
#include "frames/SnapshotHook.h"
#include "media/com/ComPtr.h"
#include "media/devices/virtual/VirtualCameraFault.h"
#include "media/devices/virtual/VirtualCameraPattern.h"
#include "media/graph/JpegFrame.h"
#include "media/graph/MediaSample.h"

using lumi::devices::DamagedJpeg;
using lumi::devices::VirtualCameraFault;
using lumi::devices::VirtualCameraPattern;

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

// What the painter shows on a target of that size and format.
QImage Shown(FramePainter& painter, QSize size, QImage::Format format = QImage::Format_RGB32) {
    QImage shown(size, format);
    shown.fill(Qt::black);
    QPainter target(&shown);
    painter.Paint(target, shown.rect(), false, shown.width());
    return shown;
}
// ... on a target scale times the frame's size.
QImage Shown(FramePainter& painter, int scale = 1) {
    return Shown(painter, painter.Frame().size() * scale);
}

// A JPEG frame as the decoder lets it through: undecoded, carried by the sample; damaged:
// the camera's, with data lost from its middle.
ComPtr<MediaSample> JpegSample(LONG width, LONG height, bool damaged = false) {
    std::vector<unsigned char> rgb(std::size_t(width * height * 3));
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>(i * 37 % 251);
    tjhandle encoder = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(encoder, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0);
    tjDestroy(encoder);
    std::vector<uint8_t> bytes(jpeg, jpeg + size);
    tjFree(jpeg);
    if (damaged)  // the camera's picture: what its lost data leaves, the decoder notices
        bytes = DamagedJpeg(VirtualCameraFault::LostData,
                            VirtualCameraPattern::renderJpeg(width, height, 0, {}), {}, 0, {});
    GstBuffer* compressed = gst_buffer_new_memdup(bytes.data(), bytes.size());
    GstBuffer* frame =
        gst_buffer_new_allocate(nullptr, gsize(RgbStride(width, 32) * height), nullptr);
    JpegFrame::Attach(frame, std::make_shared<const JpegFrame>(compressed, width, height, 32));
    gst_buffer_unref(compressed);
    auto sample = ComPtr<MediaSample>::adopt(new MediaSample(frame));
    gst_buffer_unref(frame);
    return sample;
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

// An undecoded JPEG frame is shown exactly as its pixels would be: decoded straight into the
// image (1:1, enlarged, shrunk) or, where it cannot be, from its pixels; with the crosshair.
TEST_F(FramePainterTest, AnUndecodedJpegFrameIsShownAsItsDecodedPixels) {
    const LONG width = 37, height = 22;  // partial blocks, a band and a half
    FramePainter painter;
    for (bool crosshair : {false, true})
        for (QSize size : {QSize(37, 22), QSize(50, 47), QSize(20, 9)})
            for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888}) {
                SCOPED_TRACE(testing::Message() << crosshair << " " << size.width() << "x"
                                                << size.height() << " format " << format);
                FrameCallback.Width = width, FrameCallback.Height = height;
                FrameCallback.BitCount = 32, FrameCallback.CrosshairOn = crosshair;
                ASSERT_EQ(FrameCallback.SampleCB(0, JpegSample(width, height).get()), S_OK);
                FrameCallback.CrosshairOn = false;
                ASSERT_TRUE(painter.Refresh(Info(width, height)));
                const QImage shown = Shown(painter, size, format);
                // The same frame decoded (a picture's pixels), delivered as pixels.
                const HeldFrame pixels = TakeFramePixels();
                ASSERT_TRUE(pixels.bytes);
                std::vector<BYTE> copy(pixels.bytes.get(), pixels.bytes.get() + pixels.size);
                ASSERT_EQ(FrameCallback.BufferCB(0, copy.data(), LONG(copy.size())), S_OK);
                ASSERT_TRUE(painter.Refresh(Info(width, height)));
                EXPECT_EQ(Shown(painter, size, format), shown);
            }
    FrameCallback.Width = FrameCallback.Height = 0, FrameCallback.BitCount = 24;
}

// A JPEG frame whose data turns out damaged when painted is not shown: the last whole one is
// shown again, and before any, nothing (decoded straight into the image or from its pixels).
TEST_F(FramePainterTest, ADamagedJpegFrameGivesWayToTheLastWholeOne) {
    const LONG width = 64, height = 48;
    FrameCallback.Width = width, FrameCallback.Height = height, FrameCallback.BitCount = 32;
    const auto paint = [&](FramePainter& painter, bool damaged, QImage& shown) {
        EXPECT_EQ(FrameCallback.SampleCB(0, JpegSample(width, height, damaged).get()), S_OK);
        EXPECT_TRUE(painter.Refresh(Info(width, height)));
        QPainter target(&shown);
        return painter.Paint(target, shown.rect(), false, width);
    };
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888}) {
        FramePainter painter;
        QImage shown(width, height, format);
        EXPECT_FALSE(paint(painter, true, shown)) << format;
        ASSERT_TRUE(paint(painter, false, shown)) << format;
        const QImage whole = shown.copy();
        shown.fill(Qt::black);
        EXPECT_TRUE(paint(painter, true, shown)) << format;
        EXPECT_EQ(shown, whole) << format;
    }
    // Nor is a picture made of it: the next whole frame gives the picture; frozen on the
    // damaged one, none is made.
    static int pictures;
    pictures = 0;
    SetSaveSnapshot([](CSampleGrabberCB&, LONG, BYTE*) { ++pictures; });
    FramePainter painter;
    QImage shown(width, height, QImage::Format_RGB32);
    StillRequested = 1;
    for (bool damaged : {true, false}) {
        paint(painter, damaged, shown);
        EXPECT_EQ(pictures, damaged ? 0 : 1);
    }
    paint(painter, true, shown);
    PreviewFrozen = 1, StillRequested = 1;
    paint(painter, false, shown);
    EXPECT_EQ(pictures, 1);
    EXPECT_EQ(StillRequested, 0);
    SetSaveSnapshot(nullptr);
    FrameCallback.Width = FrameCallback.Height = 0, FrameCallback.BitCount = 24;
}

}  // namespace
