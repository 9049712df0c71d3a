#include "frames/FrameState.h"

#include <cstring>
#include <new>

#include "frames/DeferredFrame.h"
#include "platform/WindowMessage.h"

BYTE* FrameBuffer = nullptr;
std::int32_t FrameBufferSize = 0;
std::mutex FrameBufferMutex;
namespace {
// Holds the bytes FrameBuffer points to, and their layout. Guarded by FrameBufferMutex.
// Never destroyed: the capture engine, itself a static object, lets the frame go when it
// is destroyed, which may be after this file's statics.
HeldFrame& Latest() {
    static HeldFrame& frame = *new HeldFrame;
    return frame;
}
}  // namespace

std::atomic<HWND> MainWindowHandle{nullptr};
std::atomic<std::int32_t> StillRequested{0};
std::atomic<std::int32_t> PreviewFrozen{0};
std::atomic<bool> PaintPending{false};

namespace {

// Held while a request is posted and while the target changes, so that a window that has
// cleared itself never receives a request afterwards.
std::mutex& RepaintTargetMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace

void SetMainWindowHandle(HWND window) {
    std::lock_guard lock(RepaintTargetMutex());
    MainWindowHandle.store(window);
    PaintPending.store(false);
}

void RequestRepaint() {
    std::lock_guard lock(RepaintTargetMutex());
    HWND window = MainWindowHandle.load();
    if (window == nullptr) return;
    if (PaintPending.exchange(true)) return;
    PostMessage(window, WM_PAINT, 0, 0);
}

void ReportPictureNotSaved(HRESULT result) {
    std::lock_guard lock(RepaintTargetMutex());
    HWND window = MainWindowHandle.load();
    if (window != nullptr)
        PostMessage(window, WM_PICTURE_NOT_SAVED, static_cast<WPARAM>(std::uint32_t(result)), 0);
}

void AcknowledgeRepaint() {
    PaintPending.store(false);
}

void WithFrameBuffer(const std::function<void(const BYTE* frame, LONG size)>& fn) {
    std::lock_guard lock(FrameBufferMutex);
    HeldFrame& latest = Latest();
    if (latest.deferred && !latest.bytes) {
        latest.bytes = latest.deferred->Pixels();
        FrameBuffer = latest.bytes.get();
    }
    fn(FrameBuffer, FrameBuffer ? FrameBufferSize : 0);
}

void StoreFrameBuffer(HeldFrame frame) {
    std::lock_guard lock(FrameBufferMutex);
    HeldFrame& latest = Latest();
    std::swap(latest, frame);
    FrameBuffer = latest.bytes.get();
    FrameBufferSize = latest.bytes || latest.deferred ? latest.size : 0;
}

HeldFrame TakeFrameBuffer() {
    std::lock_guard lock(FrameBufferMutex);
    return Latest();
}

HeldFrame TakeFramePixels() {
    HeldFrame frame = TakeFrameBuffer();
    if (frame.deferred && !frame.bytes) frame.bytes = frame.deferred->Pixels();
    return frame;
}

bool CopyIntoFrameBuffer(const BYTE* data, LONG length, WORD bitCount) {
    std::unique_lock lock(FrameBufferMutex);
    HeldFrame& latest = Latest();
    if (latest.bytes && !latest.deferred && latest.size == length &&
        latest.bytes.use_count() == 1) {
        std::memcpy(latest.bytes.get(), data, std::size_t(length));
        latest.bitCount = bitCount;
        return true;
    }
    lock.unlock();
    HeldFrame copy{std::shared_ptr<BYTE>(new (std::nothrow) BYTE[std::size_t(length)],
                                         std::default_delete<BYTE[]>()),
                   length, bitCount, nullptr};
    if (!copy.bytes) return false;
    std::memcpy(copy.bytes.get(), data, std::size_t(length));
    StoreFrameBuffer(std::move(copy));
    return true;
}

void FreeFrameBuffer() {
    StoreFrameBuffer(HeldFrame{});
}
