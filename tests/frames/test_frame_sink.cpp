// The live and still sinks: buffering, freeze, repaint requests, picture requests and the
// reference-count rules of the two static callback objects.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <cstring>
#include <vector>

#include "frames/CSampleGrabberCB.h"
#include "frames/CSampleGrabberCBStill.h"
#include "frames/FrameState.h"
#include "frames/SnapshotHook.h"
#include "media/MediaSample.h"
#include "platform/WindowMessage.h"

namespace {

// A main window stand-in that counts repaint requests and takes them as the window does.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool acknowledge = true;

protected:
    bool event(QEvent* e) override {
        if (e->type() == WindowMessageEvent::eventType() &&
            static_cast<WindowMessageEvent*>(e)->message() == WM_PAINT) {
            ++paints;
            if (acknowledge) AcknowledgeRepaint();
            return true;
        }
        return QObject::event(e);
    }
};

struct SnapshotCall {
    LONG length;
    std::vector<BYTE> bytes;
    CSampleGrabberCB* callback;
};
std::vector<SnapshotCall> snapshots;

void RecordSnapshot(CSampleGrabberCB& callback, LONG length, BYTE* frame) {
    snapshots.push_back({length, std::vector<BYTE>(frame, frame + length), &callback});
}

class FrameSink : public ::testing::Test {
protected:
    void SetUp() override {
        FreeFrameBuffer();
        PreviewFrozen = 0;
        StillRequested = 0;
        FrameCallback.Width = 0;
        FrameCallback.Height = 0;
        FrameCallback.CrosshairOn = false;
        snapshots.clear();
        SetSaveSnapshot(&RecordSnapshot);
        SetMainWindowHandle(&window);
    }
    void TearDown() override {
        SetMainWindowHandle(nullptr);
        SetSaveSnapshot(nullptr);
        FreeFrameBuffer();
        PreviewFrozen = 0;
        StillRequested = 0;
        FrameCallback.CrosshairOn = false;
    }

    static std::vector<BYTE> Frame(std::size_t size, BYTE value) {
        return std::vector<BYTE>(size, value);
    }
    HRESULT Deliver(std::vector<BYTE>& frame) {
        return FrameCallback.BufferCB(0.0, frame.data(), LONG(frame.size()));
    }
    static std::vector<BYTE> Buffered() {
        std::vector<BYTE> copy;
        WithFrameBuffer([&](const BYTE* data, LONG size) {
            if (data) copy.assign(data, data + size);
        });
        return copy;
    }
    void Pump() { QCoreApplication::processEvents(); }

    PaintCounter window;
};

TEST_F(FrameSink, FirstFrameIsBufferedExactlyAndAsksForOneRepaint) {
    auto frame = Frame(96, 0x40);
    EXPECT_EQ(Deliver(frame), S_OK);
    EXPECT_EQ(FrameBufferSize, 96);
    EXPECT_EQ(Buffered(), frame);
    Pump();
    EXPECT_EQ(window.paints, 1);
}

TEST_F(FrameSink, AnotherLengthReallocatesTheSameLengthReusesTheBuffer) {
    auto small = Frame(96, 1);
    auto large = Frame(300, 2);
    Deliver(small);
    const BYTE* first = FrameBuffer;
    auto again = Frame(96, 3);
    Deliver(again);
    EXPECT_EQ(FrameBuffer, first);
    EXPECT_EQ(Buffered(), again);
    Deliver(large);
    EXPECT_EQ(FrameBufferSize, 300);
    EXPECT_EQ(Buffered(), large);
    Deliver(small);
    EXPECT_EQ(FrameBufferSize, 96);
    EXPECT_EQ(Buffered(), small);
}

TEST_F(FrameSink, FrozenPreviewKeepsTheBufferAndPostsNoRepaint) {
    auto first = Frame(96, 0x10);
    Deliver(first);
    Pump();
    ASSERT_EQ(window.paints, 1);
    PreviewFrozen = 1;
    FrameCallback.Width = 8;
    FrameCallback.Height = 4;
    FrameCallback.CrosshairOn = true;
    auto next = Frame(96, 0x20);
    auto larger = Frame(200, 0x30);
    EXPECT_EQ(Deliver(next), S_OK);
    EXPECT_EQ(Deliver(larger), S_OK);
    Pump();
    EXPECT_EQ(window.paints, 1);
    EXPECT_EQ(FrameBufferSize, 96);
    EXPECT_EQ(Buffered(), Frame(96, 0x10));
    // The delivered frame itself still carries the crosshair.
    EXPECT_EQ(next[12], 0xFF);
    EXPECT_EQ(next[0], 0x20);
}

TEST_F(FrameSink, CrosshairIsDrawnIntoTheDeliveredAndTheBufferedFrame) {
    FrameCallback.Width = 8;
    FrameCallback.Height = 4;
    FrameCallback.CrosshairOn = true;
    auto frame = Frame(96, 0);
    Deliver(frame);
    const auto buffered = Buffered();
    EXPECT_EQ(buffered, frame);
    EXPECT_EQ(buffered[48], 0xFF);
    EXPECT_EQ(buffered[0], 0x00);
}

// The grabber's sample itself becomes the latest frame: no copy, kept after the call.
TEST_F(FrameSink, ASampleIsKeptAsTheLatestFrame) {
    gst_init(nullptr, nullptr);
    auto frame = Frame(96, 0x40);
    GstBuffer* buffer = gst_buffer_new_memdup(frame.data(), frame.size());
    auto* sample = new MediaSample(buffer, 0, 0, true);
    gst_buffer_unref(buffer);
    BYTE* data = nullptr;
    ASSERT_EQ(sample->GetPointer(&data), S_OK);
    EXPECT_EQ(FrameCallback.SampleCB(0.0, sample), S_OK);
    sample->Release();
    EXPECT_EQ(FrameBuffer, data);
    EXPECT_EQ(Buffered(), frame);
    Pump();
    EXPECT_EQ(window.paints, 1);
    EXPECT_EQ(FrameCallback.SampleCB(0.0, nullptr), E_POINTER);
}

TEST_F(FrameSink, NullBufferReturnsEPointerAndKeepsThePendingRequest) {
    StillRequested = 1;
    EXPECT_EQ(FrameCallback.BufferCB(0.0, nullptr, 96), E_POINTER);
    EXPECT_EQ(StillRequested.load(), 1);
    EXPECT_EQ(FrameBuffer, nullptr);
    Pump();
    EXPECT_EQ(window.paints, 0);
    EXPECT_TRUE(snapshots.empty());
}

TEST_F(FrameSink, NonPositiveLengthIsRefusedWithoutChange) {
    auto frame = Frame(96, 5);
    Deliver(frame);
    StillRequested = 1;
    EXPECT_EQ(FrameCallback.BufferCB(0.0, frame.data(), -1), E_INVALIDARG);
    EXPECT_EQ(FrameCallback.BufferCB(0.0, frame.data(), 0), E_INVALIDARG);
    EXPECT_EQ(FrameBufferSize, 96);
    EXPECT_EQ(StillRequested.load(), 1);
}

TEST_F(FrameSink, RepaintRequestsCoalesceUntilTheWindowTakesOne) {
    window.acknowledge = false;
    for (int i = 0; i < 20; ++i) {
        auto frame = Frame(96, BYTE(i));
        Deliver(frame);
    }
    Pump();
    EXPECT_EQ(window.paints, 1);
    auto more = Frame(96, 9);
    Deliver(more);
    Pump();
    EXPECT_EQ(window.paints, 1);  // still pending: nothing more posted
    AcknowledgeRepaint();
    Deliver(more);
    Pump();
    EXPECT_EQ(window.paints, 2);
}

TEST_F(FrameSink, WithoutAWindowNoRequestIsPostedAndNoneStaysPending) {
    SetMainWindowHandle(nullptr);
    auto frame = Frame(96, 1);
    Deliver(frame);
    Pump();
    EXPECT_EQ(window.paints, 0);
    EXPECT_FALSE(PaintPending.load());
    SetMainWindowHandle(&window);
    Deliver(frame);
    Pump();
    EXPECT_EQ(window.paints, 1);
}

TEST_F(FrameSink, RequestsBeforeAFrameGiveOnePictureOfThatFrame) {
    StillRequested = 1;
    StillCallback.SampleCB(0.0, nullptr);
    StillRequested = 1;
    auto frame = Frame(96, 0x77);
    Deliver(frame);
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(snapshots[0].length, 96);
    EXPECT_EQ(snapshots[0].bytes, frame);
    EXPECT_EQ(snapshots[0].callback, &FrameCallback);
    EXPECT_EQ(StillRequested.load(), 0);
    Deliver(frame);
    EXPECT_EQ(snapshots.size(), 1u);
}

TEST_F(FrameSink, FrozenPictureIsTheFrozenFrame) {
    auto frozen = Frame(96, 0x01);
    Deliver(frozen);
    PreviewFrozen = 1;
    StillRequested = 1;
    auto live = Frame(96, 0x02);
    Deliver(live);
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(snapshots[0].bytes, frozen);
}

TEST_F(FrameSink, NoPictureWithoutAMatchingBufferedFrameAndTheRequestIsCleared) {
    // Frozen before the first frame: nothing is buffered.
    PreviewFrozen = 1;
    StillRequested = 1;
    auto frame = Frame(96, 1);
    Deliver(frame);
    EXPECT_TRUE(snapshots.empty());
    EXPECT_EQ(StillRequested.load(), 0);
    // Frozen, then the frame length changes.
    PreviewFrozen = 0;
    Deliver(frame);
    PreviewFrozen = 1;
    StillRequested = 1;
    auto larger = Frame(120, 2);
    Deliver(larger);
    EXPECT_TRUE(snapshots.empty());
    EXPECT_EQ(StillRequested.load(), 0);
}

TEST_F(FrameSink, WithoutAPictureWriterTheRequestIsDropped) {
    SetSaveSnapshot(nullptr);
    StillRequested = 1;
    auto frame = Frame(96, 1);
    EXPECT_EQ(Deliver(frame), S_OK);
    EXPECT_EQ(StillRequested.load(), 0);
    EXPECT_EQ(Buffered(), frame);
}

TEST(StillSink, SampleAndBufferRaiseTheRequest) {
    StillRequested = 0;
    EXPECT_EQ(StillCallback.SampleCB(1.0, nullptr), S_OK);
    EXPECT_EQ(StillRequested.load(), 1);
    StillRequested = 0;
    BYTE byte = 0;
    EXPECT_EQ(StillCallback.BufferCB(1.0, nullptr, 1), E_POINTER);
    EXPECT_EQ(StillRequested.load(), 0);
    EXPECT_EQ(StillCallback.BufferCB(1.0, &byte, 1), S_OK);
    EXPECT_EQ(StillRequested.load(), 1);
    StillRequested = 0;
}

template <typename T>
class CallbackIdentity : public ::testing::Test {};
using CallbackTypes = ::testing::Types<CSampleGrabberCB, CSampleGrabberCBStill>;
TYPED_TEST_SUITE(CallbackIdentity, CallbackTypes);

ISampleGrabberCB& Object(CSampleGrabberCB*) {
    return FrameCallback;
}
ISampleGrabberCB& Object(CSampleGrabberCBStill*) {
    return StillCallback;
}

TYPED_TEST(CallbackIdentity, NoReferenceCountAndTwoInterfaceIds) {
    ISampleGrabberCB& callback = Object(static_cast<TypeParam*>(nullptr));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(callback.AddRef(), 2u);
        EXPECT_EQ(callback.Release(), 1u);
        EXPECT_EQ(callback.Release(), 1u);
    }
    void* out = nullptr;
    EXPECT_EQ(callback.QueryInterface(IID_ISampleGrabberCB, &out), S_OK);
    EXPECT_EQ(out, &callback);
    out = nullptr;
    EXPECT_EQ(callback.QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<IUnknown*>(&callback));
    void* untouched = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(callback.QueryInterface(IID_ISampleGrabber, &untouched), E_NOINTERFACE);
    EXPECT_EQ(untouched, reinterpret_cast<void*>(0x1234));
    EXPECT_EQ(callback.QueryInterface(IID_IBaseFilter, &untouched), E_NOINTERFACE);
    EXPECT_EQ(callback.QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

}  // namespace
