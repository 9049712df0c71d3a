// The still-stream sink: the callback of the still grabber. A still image (the camera's
// button or the software trigger) only raises the picture request; the picture is taken
// from the next live frame by FrameCallback.
#pragma once

#include <atomic>
#include <cstdint>

#include "media/com/DShow.h"

class CSampleGrabberCBStill : public ISampleGrabberCB {
public:
    // IID_ISampleGrabberCB and IID_IUnknown give this object, without counting a
    // reference; any other id E_NOINTERFACE with the out pointer untouched.
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    // A still sample: sets StillRequested; the sample itself is not used.
    HRESULT SampleCB(double sampleTime, IMediaSample* sample) override;
    // Not selected by the graph: E_POINTER for a null buffer, else the same request as
    // SampleCB.
    HRESULT BufferCB(double sampleTime, BYTE* buffer, LONG length) override;

    std::atomic<std::int32_t> Width{0};
    std::atomic<std::int32_t> Height{0};
    std::atomic<bool> CrosshairOn{false};  // never read
};

// The one still-stream sink of the process.
// It is never destroyed: a graph still running while the process ends (the engine is
// released by the last static destructors) must not call a destroyed object.
extern CSampleGrabberCBStill& StillCallback;
