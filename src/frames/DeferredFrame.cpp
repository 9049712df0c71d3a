#include "frames/DeferredFrame.h"

#include "frames/DrawCrosshair.h"

DeferredFrame::DeferredFrame(MediaSample* sample, LONG width, LONG height, bool crosshair)
    : sample_(sample), width_(width), height_(height), crosshair_(crosshair) {}

std::shared_ptr<BYTE> DeferredFrame::Pixels() {
    std::call_once(once_, [this] {
        BYTE* data = nullptr;
        if (FAILED(sample_->GetPointer(&data))) return;
        if (crosshair_)
            DrawCrosshair(data, width_, height_, sample_->GetActualDataLength(),
                          WORD(Jpeg().BitCount()));
        pixels_ = data;
    });
    return pixels_ ? std::shared_ptr<BYTE>(shared_from_this(), pixels_) : nullptr;
}
