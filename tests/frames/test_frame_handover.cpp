// The hand-over of frames between a streaming thread and the UI thread while the state
// changes: the reader never sees a buffer whose bytes disagree with its length, picture
// requests always get a whole frame, and repaint requests never pile up.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <atomic>
#include <thread>
#include <vector>

#include "frames/CSampleGrabberCB.h"
#include "frames/CSampleGrabberCBStill.h"
#include "frames/FrameState.h"
#include "frames/SnapshotHook.h"
#include "platform/WindowMessage.h"

namespace {

// Every frame is filled with a byte that depends on its length.
BYTE FillFor(LONG length) {
    return BYTE(length / 96);
}

std::atomic<int> badSnapshots{0};
std::atomic<int> snapshotsTaken{0};

void CheckSnapshot(CSampleGrabberCB&, LONG length, BYTE* frame) {
    for (LONG i = 0; i < length; ++i) {
        if (frame[i] != FillFor(length)) {
            ++badSnapshots;
            return;
        }
    }
    ++snapshotsTaken;
}

class Window : public QObject {
public:
    std::atomic<int> paints{0};

protected:
    bool event(QEvent* e) override {
        if (e->type() == WindowMessageEvent::eventType()) {
            ++paints;
            AcknowledgeRepaint();
            return true;
        }
        return QObject::event(e);
    }
};

TEST(FrameHandover, StreamingAndPaintingNeverSeeAHalfReplacedBuffer) {
    FreeFrameBuffer();
    PreviewFrozen = 0;
    StillRequested = 0;
    FrameCallback.CrosshairOn = false;
    SetSaveSnapshot(&CheckSnapshot);
    Window window;
    SetMainWindowHandle(&window);

    constexpr int kFrames = 3000;
    std::atomic<bool> done{false};
    std::thread streaming([&] {
        const LONG lengths[] = {96, 960, 9600, 192};
        std::vector<BYTE> frame;
        for (int i = 0; i < kFrames; ++i) {
            const LONG length = lengths[i % 4];
            frame.assign(std::size_t(length), FillFor(length));
            FrameCallback.BufferCB(double(i), frame.data(), length);
            if (i % 7 == 0) StillCallback.SampleCB(double(i), nullptr);
        }
        done = true;
    });

    int reads = 0;
    int bad = 0;
    int rounds = 0;
    while (!done.load()) {
        ++rounds;
        WithFrameBuffer([&](const BYTE* data, LONG size) {
            if (data == nullptr) return;
            ++reads;
            for (LONG i = 0; i < size; ++i) {
                if (data[i] != FillFor(size)) {
                    ++bad;
                    return;
                }
            }
        });
        if (rounds % 5 == 0) PreviewFrozen = PreviewFrozen.load() ? 0 : 1;
        if (rounds % 3 == 0) StillRequested = 1;
        QCoreApplication::processEvents();
    }
    streaming.join();
    // One more request with the preview running: it gives one whole picture.
    PreviewFrozen = 0;
    const int before = snapshotsTaken.load();
    StillRequested = 1;
    std::vector<BYTE> last(960, FillFor(960));
    FrameCallback.BufferCB(0.0, last.data(), 960);
    QCoreApplication::processEvents();

    EXPECT_EQ(bad, 0);
    EXPECT_EQ(badSnapshots.load(), 0);
    EXPECT_EQ(snapshotsTaken.load(), before + 1);
    // Repaints coalesce: never more than frames, and the last request was taken.
    EXPECT_LE(window.paints.load(), kFrames);
    EXPECT_FALSE(PaintPending.load());

    SetMainWindowHandle(nullptr);
    SetSaveSnapshot(nullptr);
    PreviewFrozen = 0;
    StillRequested = 0;
    FreeFrameBuffer();
}

}  // namespace
