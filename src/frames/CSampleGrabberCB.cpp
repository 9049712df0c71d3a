#include "frames/CSampleGrabberCB.h"

#include "frames/DeferredFrame.h"
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

HRESULT CSampleGrabberCB::SampleCB(double, IMediaSample* sample) {
    if (sample == nullptr) return E_POINTER;
    if (auto* jpeg = dynamic_cast<MediaSample*>(sample); jpeg && jpeg->Jpeg()) return Keep(*jpeg);
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || data == nullptr) return E_POINTER;
    const LONG length = sample->GetActualDataLength();
    if (length <= 0) return E_INVALIDARG;
    const WORD bitCount = Mark(data, length);
    if (PreviewFrozen.load() == 0) {
        // The sample itself becomes the latest frame: no copy.
        sample->AddRef();
        StoreFrameBuffer(
            HeldFrame{std::shared_ptr<BYTE>(data, [sample](BYTE*) { sample->Release(); }), length,
                      bitCount, nullptr});
        RequestRepaint();
    }
    TakePicture(length);
    return S_OK;
}

HRESULT CSampleGrabberCB::Keep(MediaSample& sample) {
    const LONG length = sample.GetActualDataLength();
    if (length <= 0) return E_POINTER;  // not mapped: no data
    FramesReceived.fetch_add(1, std::memory_order_relaxed);
    if (PreviewFrozen.load() == 0) {
        // Undecoded; the crosshair is drawn wherever the frame is decoded.
        StoreFrameBuffer(HeldFrame{nullptr, length, WORD(BitCount.load() == 32 ? 32 : 24),
                                   std::make_shared<DeferredFrame>(
                                       &sample, Width.load(), Height.load(), CrosshairOn.load())});
        RequestRepaint();
    }
    TakePicture(length);
    return S_OK;
}

HRESULT CSampleGrabberCB::BufferCB(double, BYTE* buffer, LONG length) {
    if (buffer == nullptr) return E_POINTER;
    if (length <= 0) return E_INVALIDARG;
    const WORD bitCount = Mark(buffer, length);
    // The buffer is the caller's: the latest frame is a copy.
    if (PreviewFrozen.load() == 0 && CopyIntoFrameBuffer(buffer, length, bitCount))
        RequestRepaint();
    TakePicture(length);
    return S_OK;
}

WORD CSampleGrabberCB::Mark(BYTE* frame, LONG length) {
    FramesReceived.fetch_add(1, std::memory_order_relaxed);
    const WORD bitCount = BitCount.load() == 32 ? 32 : 24;
    if (CrosshairOn.load()) DrawCrosshair(frame, Width.load(), Height.load(), length, bitCount);
    return bitCount;
}

void CSampleGrabberCB::TakePicture(LONG length) {
    // A picture from the buffered frame (while frozen: the frozen one). Any number of
    // requests raised before this frame give one picture; one raised while the picture
    // is written is kept for the next frame.
    if (StillRequested.exchange(0) == 0) return;
    // Held, so that it is written outside the lock the paint needs. It must be exactly this
    // delivery's length; otherwise (no frame yet, or frozen before a size change) no picture
    // is written.
    const HeldFrame frame = TakeFramePixels();
    if (frame.deferred && !frame.bytes) {
        // Damaged (found when decoded): the next frame gives the picture; a frozen one
        // never can.
        if (PreviewFrozen.load() == 0)
            StillRequested.store(1);
        else
            ReportPictureNotSaved(E_FAIL);
        return;
    }
    if (frame.bytes == nullptr || frame.size != length) return;
    if (SaveSnapshotFunction save = GetSaveSnapshot()) save(*this, length, frame.bytes.get());
}
