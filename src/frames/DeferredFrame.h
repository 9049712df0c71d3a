// A live frame kept undecoded: the grabber's sample of a JPEG frame the decoder let through
// (MediaSample::Jpeg). The painter decodes it straight into the window; its pixels as
// delivered, with the crosshair as it was when the frame arrived, are made only when asked
// for (a picture).
#pragma once

#include <memory>
#include <mutex>

#include "media/com/ComPtr.h"
#include "media/graph/JpegFrame.h"
#include "media/graph/MediaSample.h"

class DeferredFrame : public std::enable_shared_from_this<DeferredFrame> {
public:
    // Holds sample (which carries a JPEG frame); width and height as the frame sink has
    // them, for the crosshair.
    DeferredFrame(MediaSample* sample, LONG width, LONG height, bool crosshair);

    const JpegFrame& Jpeg() const { return *sample_->Jpeg(); }
    bool Crosshair() const { return crosshair_; }

    // The frame as delivered: decoded into the sample's bytes and marked with the crosshair
    // on the first call (any thread); null when the sample has no bytes or the JPEG is
    // damaged. It keeps this frame alive.
    std::shared_ptr<BYTE> Pixels();

private:
    ComPtr<MediaSample> sample_;
    LONG width_;
    LONG height_;
    bool crosshair_;
    std::once_flag once_;
    BYTE* pixels_ = nullptr;
};
