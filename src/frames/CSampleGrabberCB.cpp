#include "frames/CSampleGrabberCB.h"

#include <cstring>
#include <new>

#include "frames/DrawCrosshair.h"
#include "frames/FrameState.h"
#include "frames/SnapshotHook.h"

CSampleGrabberCB& FrameCallback = *new CSampleGrabberCB();

HRESULT CSampleGrabberCB::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_ISampleGrabberCB || riid == IID_IUnknown) {
        *object = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT CSampleGrabberCB::SampleCB(double, IMediaSample*) {
    return S_OK;
}

HRESULT CSampleGrabberCB::BufferCB(double, BYTE* buffer, LONG length) {
    if (buffer == nullptr) return E_POINTER;
    if (length <= 0) return E_INVALIDARG;
    FramesReceived.fetch_add(1, std::memory_order_relaxed);

    if (CrosshairOn.load()) DrawCrosshair(buffer, Width.load(), Height.load(), length);

    if (PreviewFrozen.load() == 0) {
        bool stored = false;
        {
            std::lock_guard lock(FrameBufferMutex);
            if (length != FrameBufferSize) {
                delete[] FrameBuffer;
                FrameBuffer = new (std::nothrow) BYTE[static_cast<std::size_t>(length)];
                FrameBufferSize = FrameBuffer != nullptr ? length : 0;
            }
            if (FrameBuffer != nullptr) {
                std::memcpy(FrameBuffer, buffer, static_cast<std::size_t>(length));
                stored = true;
            }
        }
        if (stored) RequestRepaint();
    }

    // A picture from the buffered frame (while frozen: the frozen one). Any number of
    // requests raised before this frame give one picture; one raised while the picture
    // is written is kept for the next frame.
    if (StillRequested.exchange(0) != 0) {
        std::lock_guard lock(FrameBufferMutex);
        // The buffered frame must be exactly this delivery's length; otherwise (no frame
        // yet, or frozen before a size change) no picture is written.
        if (FrameBuffer != nullptr && FrameBufferSize == length) {
            if (SaveSnapshotFunction save = GetSaveSnapshot()) save(*this, length, FrameBuffer);
        }
    }
    return S_OK;
}
