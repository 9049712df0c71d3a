// The live frame sink: the callback of the frame grabber, called for every live frame on
// the streaming thread. It draws the crosshair, keeps the latest frame in FrameBuffer,
// asks the main window to repaint and carries out a pending picture request. Through
// SampleCB it keeps the delivered sample itself (a JPEG frame undecoded); through BufferCB
// a copy.
#pragma once

#include <atomic>
#include <cstdint>

#include "media/com/DShow.h"

class MediaSample;

class CSampleGrabberCB : public ISampleGrabberCB {
public:
    // IID_ISampleGrabberCB and IID_IUnknown give this object, without counting a
    // reference; any other id E_NOINTERFACE with the out pointer untouched.
    HRESULT QueryInterface(REFIID riid, void** object) override;
    // The object is static and keeps no reference count.
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    // One live frame, kept by reference: E_POINTER for a null sample or one without data
    // (nothing changes), E_INVALIDARG for an empty one, else S_OK.
    HRESULT SampleCB(double sampleTime, IMediaSample* sample) override;
    // One live frame, copied: E_POINTER for a null buffer (nothing changes), E_INVALIDARG
    // for a length of 0 or less, else S_OK.
    HRESULT BufferCB(double sampleTime, BYTE* buffer, LONG length) override;

    // Frame size as connected; a positive height means rows bottom-up. Written by the
    // capture engine while the graph is stopped.
    std::atomic<std::int32_t> Width{0};
    std::atomic<std::int32_t> Height{0};
    // Bits per pixel as connected: 24 (RGB24) or 32 (RGB32).
    std::atomic<std::int32_t> BitCount{24};
    // Draw the crosshair into each frame (the Crosshairs command).
    std::atomic<bool> CrosshairOn{false};
    // Frames accepted by BufferCB since the start of the process (for measurements).
    std::atomic<std::uint64_t> FramesReceived{0};

private:
    // Keeps a sample that carries an undecoded JPEG frame as it is.
    HRESULT Keep(MediaSample& sample);
    // Counts the frame and draws the crosshair into it; its bits per pixel.
    WORD Mark(BYTE* frame, LONG length);
    // Writes the requested picture, if any, from the latest frame.
    void TakePicture(LONG length);
};

// The one live frame sink of the process.
// It is never destroyed: a graph still running while the process ends (the engine is
// released by the last static destructors) must not call a destroyed object.
extern CSampleGrabberCB& FrameCallback;
