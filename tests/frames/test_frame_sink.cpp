// The live and still sinks: the crosshair rule, buffering, freeze, repaint requests, picture
// requests, the two static callback objects, and the hand-over of frames between a
// streaming thread and the UI thread.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <set>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/CSampleGrabberCBStill.h"
#include "frames/DrawCrosshair.h"
#include "frames/FrameState.h"
#include "frames/SnapshotHook.h"
#include "media/MediaSample.h"

namespace {

using Bytes = std::vector<BYTE>;

// Column width / 2 of every row and the whole storage row |height| / 2 turn white, with
// rows padded to four bytes, and no byte outside the buffer (guard bytes on both sides) is
// written, whatever the buffer holds of the frame.
TEST(DrawCrosshair, WritesTheRuleAndNothingOutsideTheBuffer) {
    struct Shape {
        int width, height, length;  // length -1: exactly stride x rows
    };
    const Shape shapes[] = {{8, 4, -1},   {5, 3, -1}, {7, 6, -1}, {1, 1, -1},   {9, -5, -1},
                            {640, 3, -1}, {8, 4, 50}, {6, 4, 37}, {3, 100, 20}, {4000, 2, 10}};
    for (const Shape& s : shapes) {
        SCOPED_TRACE(testing::Message() << s.width << "x" << s.height << " in " << s.length);
        const int stride = Rgb24Stride(s.width), rows = std::abs(s.height);
        const int length = s.length < 0 ? stride * rows : s.length;
        std::set<int> white;
        for (int r = 0; r < rows; ++r)
            for (int b = 0; b < 3; ++b) white.insert(r * stride + s.width / 2 * 3 + b);
        for (int b = 0; b < s.width * 3; ++b) white.insert(rows / 2 * stride + b);
        constexpr int kGuard = 64;
        Bytes memory(std::size_t(length + 2 * kGuard), 0x22);
        DrawCrosshair(memory.data() + kGuard, s.width, s.height, length);
        for (int i = -kGuard; i < length + kGuard; ++i)
            ASSERT_EQ(memory[std::size_t(i + kGuard)],
                      i >= 0 && i < length && white.count(i) ? 0xFF : 0x22)
                << "byte " << i;
    }
}

TEST(DrawCrosshair, DegenerateInputChangesNothingAndOversizedRowsHaveNoStride) {
    Bytes frame(48, 0x33);
    DrawCrosshair(nullptr, 4, 4, 48);
    const int cases[][3] = {{0, 4, 48}, {-4, 4, 48}, {4, 0, 48},
                            {4, 4, 0},  {4, 4, -48}, {0x7FFFFFFF, 1, 48}};
    for (const auto& c : cases) DrawCrosshair(frame.data(), c[0], c[1], c[2]);
    EXPECT_EQ(frame, Bytes(48, 0x33));
    EXPECT_EQ(std::vector<LONG>({Rgb24Stride(1), Rgb24Stride(5), Rgb24Stride(640), Rgb24Stride(0),
                                 Rgb24Stride(-3), Rgb24Stride(0x7FFFFFFF)}),
              std::vector<LONG>({4, 16, 1920, 0, 0, 0}));
}

// The pictures the sink hands over: bytes and callback.
struct Picture {
    Bytes bytes;
    CSampleGrabberCB* callback;
};
std::vector<Picture> pictures;

class FrameSink : public ::testing::Test {
protected:
    void SetUp() override {
        Reset();
        pictures.clear();
        SetSaveSnapshot([](CSampleGrabberCB& callback, LONG length, BYTE* frame) {
            pictures.push_back({Bytes(frame, frame + length), &callback});
        });
        SetMainWindowHandle(&window);
    }
    void TearDown() override { Reset(); }
    static void Reset() {
        SetMainWindowHandle(nullptr);
        SetSaveSnapshot(nullptr);
        FreeFrameBuffer();
        PreviewFrozen = 0;
        StillRequested = 0;
        FrameCallback.Width = 0;
        FrameCallback.Height = 0;
        FrameCallback.CrosshairOn = false;
    }
    static HRESULT Deliver(Bytes& frame) {
        return FrameCallback.BufferCB(0.0, frame.data(), LONG(frame.size()));
    }
    static HRESULT Deliver(Bytes&& frame) { return Deliver(frame); }
    static Bytes Buffered() {
        Bytes copy;
        WithFrameBuffer([&](const BYTE* data, LONG size) {
            if (data) copy.assign(data, data + size);
        });
        return copy;
    }
    int Paints() {
        QCoreApplication::processEvents();
        return window.paints;
    }

    lumitest::RepaintCounter window;
};

// Each frame is buffered exactly and asks for a repaint; a frame of the same length reuses
// the buffer, another length gets a new one.
TEST_F(FrameSink, FramesAreBufferedExactlyAndAskForARepaint) {
    Bytes small(96, 1), again(96, 3), large(300, 2);
    EXPECT_EQ(Deliver(small), S_OK);
    EXPECT_EQ(Buffered(), small);
    EXPECT_EQ(Paints(), 1);
    const BYTE* first = FrameBuffer;
    Deliver(again);
    EXPECT_EQ(FrameBuffer, first);
    EXPECT_EQ(Buffered(), again);
    Deliver(large);
    EXPECT_EQ(Buffered(), large);
    Deliver(small);
    EXPECT_EQ(Buffered(), small);
    EXPECT_EQ(FrameBufferSize, 96);
}

// The crosshair goes into the delivered frame and so into the buffered one; a frozen
// preview keeps its buffer and asks for no repaint, though frames still get the crosshair.
TEST_F(FrameSink, CrosshairAndFreeze) {
    FrameCallback.Width = 8;
    FrameCallback.Height = 4;
    FrameCallback.CrosshairOn = true;
    Bytes frame(96, 0x10);
    Deliver(frame);
    EXPECT_EQ(Buffered(), frame);
    EXPECT_EQ(frame[48], 0xFF);
    EXPECT_EQ(frame[0], 0x10);
    ASSERT_EQ(Paints(), 1);
    PreviewFrozen = 1;
    Bytes next(96, 0x20);
    EXPECT_EQ(Deliver(next), S_OK);
    EXPECT_EQ(Deliver(Bytes(200, 0x30)), S_OK);
    EXPECT_EQ(Paints(), 1);
    EXPECT_EQ(Buffered(), frame);
    EXPECT_EQ(next[12], 0xFF);
}

// The grabber's sample itself becomes the latest frame: no copy, kept after the call.
TEST_F(FrameSink, ASampleIsKeptAsTheLatestFrame) {
    gst_init(nullptr, nullptr);
    Bytes frame(96, 0x40);
    GstBuffer* buffer = gst_buffer_new_memdup(frame.data(), frame.size());
    auto* sample = new MediaSample(buffer, 0, 0, true);
    gst_buffer_unref(buffer);
    BYTE* data = nullptr;
    ASSERT_EQ(sample->GetPointer(&data), S_OK);
    EXPECT_EQ(FrameCallback.SampleCB(0.0, sample), S_OK);
    sample->Release();
    EXPECT_EQ(FrameBuffer, data);
    EXPECT_EQ(Buffered(), frame);
    EXPECT_EQ(Paints(), 1);
    EXPECT_EQ(FrameCallback.SampleCB(0.0, nullptr), E_POINTER);
}

// A null buffer or a length of 0 or less is refused: nothing buffered or changed, no
// repaint, no picture, and the pending request is kept.
TEST_F(FrameSink, BadDeliveriesChangeNothing) {
    StillRequested = 1;
    EXPECT_EQ(FrameCallback.BufferCB(0.0, nullptr, 96), E_POINTER);
    EXPECT_EQ(FrameBuffer, nullptr);
    EXPECT_EQ(Paints(), 0);
    StillRequested = 0;
    Bytes frame(96, 5);
    Deliver(frame);
    StillRequested = 1;
    EXPECT_EQ(FrameCallback.BufferCB(0.0, frame.data(), -1), E_INVALIDARG);
    EXPECT_EQ(FrameCallback.BufferCB(0.0, frame.data(), 0), E_INVALIDARG);
    EXPECT_EQ(FrameBufferSize, 96);
    EXPECT_EQ(StillRequested.load(), 1);
    EXPECT_TRUE(pictures.empty());
}

// One request is posted and no other until the window takes it; without a window none is
// posted and none stays pending.
TEST_F(FrameSink, RepaintRequestsCoalesce) {
    window.acknowledge = false;
    Bytes frame(96, 9);
    for (int i = 0; i < 20; ++i) Deliver(frame);
    EXPECT_EQ(Paints(), 1);
    Deliver(frame);
    EXPECT_EQ(Paints(), 1);
    AcknowledgeRepaint();
    Deliver(frame);
    EXPECT_EQ(Paints(), 2);
    SetMainWindowHandle(nullptr);
    Deliver(frame);
    EXPECT_EQ(Paints(), 2);
    EXPECT_FALSE(PaintPending.load());
    SetMainWindowHandle(&window);
    Deliver(frame);
    EXPECT_EQ(Paints(), 3);
}

// Requests raised before a frame (a still image by sample or buffer, a Snap) give one
// picture of that frame;
// while frozen, of the frozen frame. No buffered frame of the delivery's length (frozen
// before the first frame, or before a size change) or no writer: no picture, and the
// request is cleared all the same.
TEST_F(FrameSink, PictureRequests) {
    BYTE byte = 0;
    EXPECT_EQ(StillCallback.BufferCB(0.0, nullptr, 1), E_POINTER);
    EXPECT_EQ(StillRequested.load(), 0);
    EXPECT_EQ(StillCallback.BufferCB(0.0, &byte, 1), S_OK);
    EXPECT_EQ(StillRequested.exchange(0), 1);
    EXPECT_EQ(StillCallback.SampleCB(0.0, nullptr), S_OK);
    StillRequested = 1;
    Bytes frame(96, 0x77);
    Deliver(frame);
    Deliver(frame);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].bytes, frame);
    EXPECT_EQ(pictures[0].callback, &FrameCallback);
    EXPECT_EQ(StillRequested.load(), 0);

    PreviewFrozen = 1;
    StillRequested = 1;
    Deliver(Bytes(96, 0x02));
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[1].bytes, frame);
    StillRequested = 1;
    Deliver(Bytes(120, 2));
    EXPECT_EQ(pictures.size(), 2u);
    EXPECT_EQ(StillRequested.load(), 0);
    FreeFrameBuffer();
    StillRequested = 1;
    Deliver(frame);
    EXPECT_EQ(StillRequested.load(), 0);
    PreviewFrozen = 0;
    SetSaveSnapshot(nullptr);
    StillRequested = 1;
    EXPECT_EQ(Deliver(frame), S_OK);
    EXPECT_EQ(StillRequested.load(), 0);
    EXPECT_EQ(Buffered(), frame);
    EXPECT_EQ(pictures.size(), 2u);
}

// The two callback objects are static: no reference count, so no Release deletes them.
TEST(CallbackIdentity, NoReferenceCountAndTwoInterfaceIds) {
    for (ISampleGrabberCB* callback : {static_cast<ISampleGrabberCB*>(&FrameCallback),
                                       static_cast<ISampleGrabberCB*>(&StillCallback)}) {
        EXPECT_EQ(callback->AddRef(), 2u);
        EXPECT_EQ(callback->Release(), 1u);
        EXPECT_EQ(callback->Release(), 1u);
        void* out = nullptr;
        EXPECT_EQ(callback->QueryInterface(IID_ISampleGrabberCB, &out), S_OK);
        EXPECT_EQ(out, callback);
        EXPECT_EQ(callback->QueryInterface(IID_IUnknown, &out), S_OK);
        EXPECT_EQ(out, static_cast<IUnknown*>(callback));
        EXPECT_EQ(callback->QueryInterface(IID_ISampleGrabber, &out), E_NOINTERFACE);
        EXPECT_EQ(out, static_cast<IUnknown*>(callback));  // untouched
        EXPECT_EQ(callback->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    }
}

// A streaming thread delivers frames of changing lengths (each filled with a byte of its
// length) and still images while this thread reads, freezes and asks for pictures: no
// reader sees a buffer whose bytes disagree with its length, every picture is whole, and
// repaint requests never pile up.
TEST_F(FrameSink, StreamingAndPaintingNeverSeeAHalfReplacedBuffer) {
    const auto whole = [](const BYTE* data, std::size_t size) {
        return std::all_of(data, data + size, [&](BYTE b) { return b == BYTE(size / 96); });
    };
    constexpr int kFrames = 3000;
    std::atomic<bool> done{false};
    std::thread streaming([&] {
        const LONG lengths[] = {96, 960, 9600, 192};
        for (int i = 0; i < kFrames; ++i) {
            Bytes frame(static_cast<std::size_t>(lengths[i % 4]), BYTE(lengths[i % 4] / 96));
            Deliver(frame);
            if (i % 7 == 0) StillCallback.SampleCB(double(i), nullptr);
        }
        done = true;
    });
    int bad = 0;
    for (int round = 1; !done; ++round) {
        WithFrameBuffer([&](const BYTE* data, LONG size) { bad += data && !whole(data, size); });
        if (round % 5 == 0) PreviewFrozen = PreviewFrozen ? 0 : 1;
        if (round % 3 == 0) StillRequested = 1;
        QCoreApplication::processEvents();
    }
    streaming.join();
    // One more request with the preview running: it gives one whole picture.
    PreviewFrozen = 0;
    const std::size_t before = pictures.size();
    StillRequested = 1;
    Deliver(Bytes(960, 10));
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(pictures.size(), before + 1);
    for (const Picture& p : pictures) EXPECT_TRUE(whole(p.bytes.data(), p.bytes.size()));
    EXPECT_LE(Paints(), kFrames);
    EXPECT_FALSE(PaintPending.load());
}

}  // namespace
