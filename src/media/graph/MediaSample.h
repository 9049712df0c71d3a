// IMediaSample over one GstBuffer, handed to the grabber's callbacks. The sample holds a
// reference to the buffer and keeps it mapped for reading and writing until its last
// Release: a callback that AddRefs the sample keeps the frame without copying it. A buffer
// that carries an undecoded JPEG frame is decoded into its own bytes the first time they
// are asked for (GetPointer), once, from whichever thread asks first; when its data turns out
// damaged, GetPointer fails (E_FAIL) as the decoder would have dropped it.
#pragma once

#include <memory>
#include <mutex>

#include "media/com/DShow.h"
#include "media/gst/GstHandle.h"

class JpegFrame;

class MediaSample final : public IMediaSample {
public:
    // Takes a reference to buffer and maps it; without a mapping the sample has no data
    // (GetPointer gives VFW_E_BUFFER_NOTSET).
    explicit MediaSample(GstBuffer* buffer);
    ~MediaSample();
    MediaSample(const MediaSample&) = delete;
    MediaSample& operator=(const MediaSample&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    LUMI_IMPLEMENT_REFCOUNT

    HRESULT GetPointer(BYTE** buffer) override;
    LONG GetActualDataLength() override;

    // The undecoded JPEG frame the buffer carries; null when it carries pixels.
    const std::shared_ptr<const JpegFrame>& Jpeg() const { return jpeg_; }

private:
    RefCount refs_;
    GstBuffer* buffer_;
    GstMapInfo map_{};
    BYTE* data_ = nullptr;
    LONG actual_ = 0;
    std::shared_ptr<const JpegFrame> jpeg_;
    std::once_flag decoded_;
    bool whole_ = false;  // set once decoded_
};
