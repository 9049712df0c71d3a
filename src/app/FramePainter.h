// Paints the live picture. The latest frame is taken from FrameBuffer (under its lock)
// into an image of the frame's own size whenever FrameBuffer holds exactly one frame as
// FrameInfo describes it; otherwise the previous frame stays (or nothing, before the
// first). Taking the frame turns it upright and into the screen's 32-bit pixels in one pass,
// so that the paint is a plain nearest-neighbour stretch over the target (the painter's
// fast path). The recording indicator is drawn in picture pixels at the top-right corner,
// white transparent.
#pragma once

#include <QImage>
#include <QRect>

#include "platform/WinTypes.h"

class QPainter;

class FramePainter {
public:
    // The indicator bitmap; its white pixels become transparent.
    void SetIndicator(const QImage& bitmap);

    // Takes the buffered frame when it is exactly info's width x |height| RGB24 pixels (rows
    // padded to four bytes). True when it was taken.
    bool Refresh(const BITMAPINFOHEADER& info);
    // Forgets the frame image.
    void Clear();

    // Draws the frame over target; with the indicator at (videoWidth - indicator width, 0)
    // of the picture when recording. Nothing when there is no frame image.
    void Paint(QPainter& painter, const QRect& target, bool recording, int videoWidth) const;

    // The frame image as stored: upright, QImage::Format_RGB32.
    const QImage& Frame() const { return frame_; }

private:
    QImage frame_;
    QImage indicator_;
};
