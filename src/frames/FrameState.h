// The frame state shared between the streaming thread (the frame sink) and the UI thread
// (painting, commands): the latest frame, the freeze and picture-request flags and the
// repaint request to the main window.
//
// Rules: FrameBuffer and FrameBufferSize are read and written only under FrameBufferMutex
// (WithFrameBuffer and TakeFrameBuffer take it). The frame's bytes are held by reference:
// whoever took the frame (the paint, a picture) keeps its bytes valid outside the lock while
// the frame sink goes on to the next frame. The flags are atomics. The repaint request coalesces:
// one WM_PAINT is posted to MainWindowHandle and no other until the window has taken it
// (AcknowledgeRepaint), so a slow window is never flooded.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "media/com/Hresult.h"
#include "platform/WinTypes.h"

// The latest live frame exactly as delivered (RGB24 or RGB32, rows in the delivered order)
// and its length in bytes; null and 0 before the first frame. Guarded by FrameBufferMutex.
extern BYTE* FrameBuffer;
extern std::int32_t FrameBufferSize;
extern std::mutex FrameBufferMutex;

class DeferredFrame;

// One delivered frame, held: its bytes stay valid while this lives. A frame kept undecoded
// has no bytes until they are made (TakeFramePixels, WithFrameBuffer).
struct HeldFrame {
    std::shared_ptr<BYTE> bytes;  // null: no frame, or one not decoded yet
    LONG size = 0;
    WORD bitCount = 24;                       // bits per pixel as delivered: 24 or 32
    std::shared_ptr<DeferredFrame> deferred;  // the undecoded frame, if it is one
};

// Makes frame the latest (FrameBuffer, FrameBufferSize) under the lock; the frame it
// replaces is let go after the lock is released.
void StoreFrameBuffer(HeldFrame frame);

// The latest frame, held (no bytes before the first frame).
HeldFrame TakeFrameBuffer();
// The latest frame with its bytes: an undecoded one is decoded here, outside the lock.
HeldFrame TakeFramePixels();

// Makes a copy of length bytes the latest frame: into the latest frame's own array when it
// has that length and nobody else holds it, else into a new one. False (nothing changes)
// when memory runs out.
bool CopyIntoFrameBuffer(const BYTE* data, LONG length, WORD bitCount);

// The main window: target of the per-frame repaint request (set with SetMainWindowHandle).
extern std::atomic<HWND> MainWindowHandle;

// 1: one picture is to be written from the next live frame (Snap, or a still image).
extern std::atomic<std::int32_t> StillRequested;
// 1: live frames do not replace FrameBuffer and ask for no repaint (Space).
extern std::atomic<std::int32_t> PreviewFrozen;

// True from a posted repaint request until the window acknowledges it.
extern std::atomic<bool> PaintPending;

// Sets the window that receives the repaint requests (nullptr: none) and forgets a pending
// request. The window clears itself with nullptr before it is destroyed; a request is
// never posted to it after that call has returned.
void SetMainWindowHandle(HWND window);

// Posts WM_PAINT (wParam 0, lParam 0) to MainWindowHandle unless a request is pending or
// there is no window. Any thread.
void RequestRepaint();

// Called by the window when it takes a WM_PAINT request: the next frame may post again.
void AcknowledgeRepaint();

// Posted to MainWindowHandle when a picture could not be written (wParam: the HRESULT of
// the write, lParam 0).
// (WM_APP + 1 is the graph's own notice, WM_GRAPHNOTIFY.)
inline constexpr UINT WM_PICTURE_NOT_SAVED = WM_APP + 2;
// Posts WM_PICTURE_NOT_SAVED with the result; nothing without a window. Any thread.
void ReportPictureNotSaved(HRESULT result);

// Runs fn(FrameBuffer, FrameBufferSize) under FrameBufferMutex (a null buffer and 0 when
// no frame has arrived, or when an undecoded frame, decoded first, is damaged). fn must not
// take the lock itself.
void WithFrameBuffer(const std::function<void(const BYTE* frame, LONG size)>& fn);

// Frees FrameBuffer and sets its size to 0, under the lock.
void FreeFrameBuffer();
