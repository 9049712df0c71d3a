#include "frames/FrameState.h"

#include "platform/WindowMessage.h"

BYTE* FrameBuffer = nullptr;
std::int32_t FrameBufferSize = 0;
std::mutex FrameBufferMutex;

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
    fn(FrameBuffer, FrameBufferSize);
}

void FreeFrameBuffer() {
    std::lock_guard lock(FrameBufferMutex);
    delete[] FrameBuffer;
    FrameBuffer = nullptr;
    FrameBufferSize = 0;
}
