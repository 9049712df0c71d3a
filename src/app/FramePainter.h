// Paints the live picture. The latest frame is taken from FrameBuffer (held by reference,
// not copied) whenever FrameBuffer holds exactly one frame as FrameInfo describes it;
// otherwise the previous frame stays (or nothing, before the first). The frame is drawn
// as delivered: an RGB32 frame is the screen's own pixel layout, so the paint is the
// painter's plain nearest-neighbour stretch, turned upright on the way for bottom-up rows.
// The recording indicator is drawn in picture pixels at the top-right corner, white
// transparent.
#pragma once

#include <QImage>
#include <QRect>

#include "frames/FrameState.h"
#include "platform/WinTypes.h"

class QPainter;

class FramePainter {
public:
    // The indicator bitmap; its white pixels become transparent.
    void SetIndicator(const QImage& bitmap);

    // Takes the buffered frame when it is exactly info's width x |height| pixels of its
    // bits per pixel (rows padded to four bytes). True when it was taken.
    bool Refresh(const BITMAPINFOHEADER& info);
    // Forgets the frame image.
    void Clear();

    // Draws the frame upright over target; with the indicator at (videoWidth - indicator
    // width, 0) of the picture when recording. Nothing when there is no frame image.
    void Paint(QPainter& painter, const QRect& target, bool recording, int videoWidth) const;

    // The frame image over the held bytes, rows as delivered (bottomUp(): last row first).
    const QImage& Frame() const { return frame_; }
    bool BottomUp() const { return bottomUp_; }

private:
    HeldFrame held_;
    QImage frame_;
    bool bottomUp_ = false;
    QImage indicator_;
};
