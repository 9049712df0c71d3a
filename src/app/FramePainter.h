// Paints the live picture. The latest frame is taken from FrameBuffer (held by reference,
// not copied) for each paint, when FrameBuffer holds exactly one frame as FrameInfo
// describes it; otherwise nothing is drawn (before the first frame, and between a size
// change and the first frame of the new size). The frame is let go once drawn, so that
// between paints only the frame sink holds it (and the painter the last JPEG frame it drew
// whole, to show again in place of a damaged one). The frame is drawn
// as delivered, stretched with nearest neighbours and turned upright on the way for
// bottom-up rows. An RGB32 frame is the screen's own pixel layout: where the painter draws
// unscaled into an image of 32-bit pixels (the window's backing store), its rows are
// copied straight into it, each in runs of consecutive pixels; elsewhere the painter
// stretches it. A JPEG frame kept undecoded is decoded when painted: when it is RGB32 and
// bottom-up and the painter draws unscaled into such an image, straight into it, band by band,
// each row in place when the columns are 1:1 and through a band of rows in the cache
// otherwise; elsewhere from the frame's own pixels, decoded then. The recording indicator
// is drawn in picture pixels at the top-right corner, white transparent.
#pragma once

#include <QImage>
#include <QRect>
#include <memory>
#include <utility>
#include <vector>

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
    // Lets the frame go.
    void Clear();

    // Draws the frame taken upright over target, with the indicator at (videoWidth -
    // indicator width, 0) of the picture when recording, then lets it go. An undecoded frame
    // found damaged gives way to the last whole one of its size. False when nothing was
    // drawn (no frame taken, or a damaged one and no whole one): what target shows then is
    // the caller's to paint.
    bool Paint(QPainter& painter, const QRect& target, bool recording, int videoWidth);

    // Whether a frame was taken.
    bool HasFrame() const { return !frame_.isNull() || deferred_ != nullptr; }
    // The frame taken, over the held bytes, rows as delivered; null when there is none or
    // it is kept undecoded until painted.
    const QImage& Frame() const { return frame_; }

private:
    static constexpr int kBandRows = 16;

    // Shows frame's bytes (width x height pixels, rows stride bytes apart).
    void ShowPixels(HeldFrame frame, int width, int height, qint64 stride);
    // The painter's image when target can be written straight into it (the area it covers
    // there in *area); null where it cannot.
    static QImage* Backing(QPainter& painter, const QRect& target, QRect* area);
    // The column tables for a frame width and a target width.
    void MapColumns(int width, int columns);
    // One target row from one frame row, by the column tables.
    void Scatter(const QRgb* in, QRgb* out) const;
    // The copy straight into the painter's image; false where it does not apply.
    bool CopyInto(QPainter& painter, const QRect& target);
    // frame_ drawn over target; true.
    bool PaintPixels(QPainter& painter, const QRect& target);
    // deferred_ decoded and drawn over target, or the last whole frame; false when neither
    // could be.
    bool PaintDeferred(QPainter& painter, const QRect& target);
    enum class Decoded { Whole, Damaged, NotHere };
    // frame (RGB32, bottom-up, of size_) decoded straight into the painter's image; NotHere
    // where that does not apply. A damaged frame leaves part of target written.
    Decoded DecodeInto(const DeferredFrame& frame, QPainter& painter, const QRect& target);

    // The source column of every target column, and the runs of target columns whose
    // sources follow each other (start, length), for one frame and target width.
    struct Columns {
        int frameWidth = 0;
        std::vector<int> source;
        std::vector<std::pair<int, int>> runs;
    };

    HeldFrame held_;
    std::shared_ptr<DeferredFrame> deferred_;
    std::shared_ptr<DeferredFrame> whole_;  // the last undecoded frame drawn whole
    QSize size_;                            // of the frame taken
    Columns columns_;
    std::vector<QRgb> band_;
    QImage frame_;
    bool bottomUp_ = false;
    QImage indicator_;
};
