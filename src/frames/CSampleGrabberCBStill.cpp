#include "frames/CSampleGrabberCBStill.h"

#include "frames/FrameState.h"

CSampleGrabberCBStill& StillCallback = *new CSampleGrabberCBStill();

HRESULT CSampleGrabberCBStill::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_ISampleGrabberCB || riid == IID_IUnknown) {
        *object = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT CSampleGrabberCBStill::SampleCB(double, IMediaSample*) {
    StillRequested.store(1);
    return S_OK;
}

HRESULT CSampleGrabberCBStill::BufferCB(double, BYTE* buffer, LONG) {
    if (buffer == nullptr) return E_POINTER;
    StillRequested.store(1);
    return S_OK;
}
