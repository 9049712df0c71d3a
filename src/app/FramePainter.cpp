#include "app/FramePainter.h"

#include <QPaintEngine>
#include <QPainter>
#include <QTransform>
#include <cstdlib>
#include <cstring>

#include "frames/DeferredFrame.h"
#include "frames/DrawCrosshair.h"

void FramePainter::SetIndicator(const QImage& bitmap) {
    indicator_ = bitmap.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < indicator_.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(indicator_.scanLine(y));
        for (int x = 0; x < indicator_.width(); ++x) {
            if ((line[x] & 0x00FFFFFF) == 0x00FFFFFF) line[x] = 0;
        }
    }
}

bool FramePainter::Refresh(const BITMAPINFOHEADER& info) {
    const int width = info.biWidth;
    const int height = std::abs(info.biHeight);
    HeldFrame frame = TakeFrameBuffer();
    const qint64 stride = RgbStride(width, frame.bitCount);
    Clear();
    // Another length is a frame of another size (before the first frame of a new size).
    if ((frame.bytes == nullptr && frame.deferred == nullptr) || stride == 0 || height == 0 ||
        frame.size != stride * height)
        return false;
    bottomUp_ = info.biHeight > 0;
    if (frame.deferred && !frame.bytes) {
        const JpegFrame& jpeg = frame.deferred->Jpeg();
        if (jpeg.Width() != width || jpeg.Height() != height) return false;
        // Decoded when painted.
        deferred_ = std::move(frame.deferred);
        size_ = QSize(width, height);
        return true;
    }
    ShowPixels(std::move(frame), width, height, stride);
    return true;
}

void FramePainter::ShowPixels(HeldFrame frame, int width, int height, qint64 stride) {
    // RGB32 is B, G, R and an unused byte, 0xFF from the decoder and the converter.
    frame_ = QImage(frame.bytes.get(), width, height, stride,
                    frame.bitCount == 32 ? QImage::Format_RGB32 : QImage::Format_BGR888);
    size_ = frame_.size();
    held_ = std::move(frame);
    deferred_ = nullptr;
}

void FramePainter::Clear() {
    frame_ = QImage();
    held_ = HeldFrame{};
    deferred_ = nullptr;
    size_ = QSize();
}

bool FramePainter::Paint(QPainter& painter, const QRect& target, bool recording, int videoWidth) {
    if (!HasFrame() || target.isEmpty()) {
        Clear();
        return false;
    }
    const qreal sx = qreal(target.width()) / size_.width();
    const qreal sy = qreal(target.height()) / size_.height();
    QTransform picture;
    picture.translate(target.x(), target.y());
    picture.scale(sx, sy);

    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const bool drawn = deferred_ ? PaintDeferred(painter, target) : PaintPixels(painter, target);
    if (drawn && recording && !indicator_.isNull()) {
        painter.setTransform(picture);
        const int size = indicator_.width();
        painter.drawImage(QRect(videoWidth - size, 0, size, size), indicator_);
    }
    painter.restore();
    Clear();
    return drawn;
}

bool FramePainter::PaintPixels(QPainter& painter, const QRect& target) {
    const qreal sx = qreal(target.width()) / frame_.width();
    const qreal sy = qreal(target.height()) / frame_.height();
    if (CopyInto(painter, target)) {
        // done
    } else if (bottomUp_) {
        // The first row in memory is the picture's bottom row.
        painter.setTransform(QTransform(sx, 0, 0, -sy, target.x(), target.y() + target.height()));
        painter.drawImage(QRect(0, 0, frame_.width(), frame_.height()), frame_);
    } else {
        painter.drawImage(target, frame_);
    }
    return true;
}

bool FramePainter::PaintDeferred(QPainter& painter, const QRect& target) {
    // A frame whose data turns out damaged is not shown: the last whole one is, again.
    for (const std::shared_ptr<DeferredFrame>& frame : {deferred_, whole_}) {
        if (!frame || frame->Jpeg().Width() != size_.width() ||
            frame->Jpeg().Height() != size_.height())
            continue;
        // Straight into the painter's image where it can be, else from the frame's pixels.
        Decoded decoded = frame->Jpeg().BitCount() == 32 && bottomUp_
                              ? DecodeInto(*frame, painter, target)
                              : Decoded::NotHere;
        if (decoded == Decoded::NotHere) {
            const WORD bitCount = WORD(frame->Jpeg().BitCount());
            HeldFrame pixels{frame->Pixels(), 0, bitCount, nullptr};
            if (pixels.bytes) {
                ShowPixels(std::move(pixels), size_.width(), size_.height(),
                           RgbStride(size_.width(), bitCount));
                PaintPixels(painter, target);
                decoded = Decoded::Whole;
            }
        }
        if (decoded == Decoded::Whole) {
            whole_ = frame;
            return true;
        }
    }
    return false;
}

QImage* FramePainter::Backing(QPainter& painter, const QRect& target, QRect* area) {
    QPaintEngine* engine = painter.paintEngine();
    auto* image = engine ? dynamic_cast<QImage*>(engine->paintDevice()) : nullptr;
    if (image == nullptr || (image->format() != QImage::Format_RGB32 &&
                             image->format() != QImage::Format_ARGB32_Premultiplied))
        return nullptr;
    // Unscaled (the widget's offset only), and the whole target is to be painted.
    const QTransform& device = painter.deviceTransform();
    if (device.type() > QTransform::TxTranslate || painter.hasClipping()) return nullptr;
    *area = target.translated(qRound(device.dx()), qRound(device.dy()));
    const QRegion clip = engine->systemClip();
    if (!image->rect().contains(*area) || (!clip.isEmpty() && !clip.contains(*area)))
        return nullptr;
    return image;
}

void FramePainter::MapColumns(int width, int columns) {
    if (columns_.frameWidth == width && int(columns_.source.size()) == columns) return;
    columns_.frameWidth = width;
    columns_.source.resize(std::size_t(columns));
    columns_.runs.clear();
    for (int x = 0; x < columns; ++x) {
        columns_.source[std::size_t(x)] = int(qint64(x) * width / columns);
        if (x == 0 || columns_.source[std::size_t(x)] != columns_.source[std::size_t(x) - 1] + 1)
            columns_.runs.emplace_back(x, 0);
        ++columns_.runs.back().second;
    }
}

void FramePainter::Scatter(const QRgb* in, QRgb* out) const {
    // Long runs (an enlargement, 1:1) are copied whole; short ones pixel by pixel.
    if (columns_.runs.size() * 8 <= columns_.source.size()) {
        for (const auto& [start, length] : columns_.runs)
            std::memcpy(out + start, in + columns_.source[std::size_t(start)],
                        std::size_t(length) * 4);
    } else {
        for (std::size_t x = 0; x < columns_.source.size(); ++x) out[x] = in[columns_.source[x]];
    }
}

FramePainter::Decoded FramePainter::DecodeInto(const DeferredFrame& frame, QPainter& painter,
                                               const QRect& target) {
    QRect area;
    QImage* image = Backing(painter, target, &area);
    if (image == nullptr) return Decoded::NotHere;
    const int width = size_.width();
    const int height = size_.height();
    MapColumns(width, area.width());
    // Target row y shows the frame's upright row y * height / area height; the first row
    // showing row r (-1: none, when shrunk) and the end of its run.
    const auto firstRow = [&](int r) {
        const qint64 y = (qint64(r) * area.height() + height - 1) / height;
        return y < area.height() && y * height / area.height() == r ? int(y) : -1;
    };
    const auto endRow = [&](int r) {
        return int(
            std::min<qint64>(area.height(), (qint64(r + 1) * area.height() + height - 1) / height));
    };
    const auto line = [&](int y) {
        return reinterpret_cast<QRgb*>(image->scanLine(area.y() + y)) + area.x();
    };
    // With the columns 1:1 a row shown is decoded in place; others go through a band of
    // rows that stays in the cache.
    const bool inPlace = area.width() == width;
    band_.resize(std::size_t(kBandRows) * std::size_t(width));
    const auto rowAt = [&](int r) {
        const int y = inPlace ? firstRow(r) : -1;
        return y >= 0 ? line(y) : band_.data() + std::size_t(r % kBandRows) * std::size_t(width);
    };
    const bool crosshair = frame.Crosshair();
    // The crosshair's storage row height / 2 counts from the bottom.
    const int crossRow = height - 1 - height / 2;
    const std::size_t rowBytes = std::size_t(area.width()) * 4;
    const bool whole =
        frame.Jpeg().DecodeBands([&](int r) { return reinterpret_cast<BYTE*>(rowAt(r)); },
                                 [&](int first, int count) {
                                     for (int r = first; r < first + count; ++r) {
                                         QRgb* in = rowAt(r);
                                         if (crosshair) {
                                             in[width / 2] = 0xFFFFFFFF;
                                             if (r == crossRow)
                                                 std::memset(in, 0xFF, std::size_t(width) * 4);
                                         }
                                         const int y = firstRow(r);
                                         if (y < 0) continue;
                                         QRgb* out = line(y);
                                         if (!inPlace) Scatter(in, out);
                                         for (int next = y + 1; next < endRow(r); ++next)
                                             std::memcpy(line(next), out, rowBytes);
                                     }
                                 });
    return whole ? Decoded::Whole : Decoded::Damaged;
}

bool FramePainter::CopyInto(QPainter& painter, const QRect& target) {
    if (frame_.format() != QImage::Format_RGB32) return false;
    QRect area;
    QImage* image = Backing(painter, target, &area);
    if (image == nullptr) return false;
    const int height = frame_.height();
    MapColumns(frame_.width(), area.width());
    const std::size_t rowBytes = std::size_t(area.width()) * 4;
    int previous = -1;
    for (int y = 0; y < area.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(image->scanLine(area.y() + y)) + area.x();
        const int row = int(qint64(y) * height / area.height());
        if (row == previous) {  // the line above again
            std::memcpy(out, reinterpret_cast<const uchar*>(out) - image->bytesPerLine(), rowBytes);
            continue;
        }
        previous = row;
        Scatter(
            reinterpret_cast<const QRgb*>(frame_.constScanLine(bottomUp_ ? height - 1 - row : row)),
            out);
    }
    return true;
}
