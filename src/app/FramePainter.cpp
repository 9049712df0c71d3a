#include "app/FramePainter.h"

#include <QPaintEngine>
#include <QPainter>
#include <QTransform>
#include <cstdlib>
#include <cstring>

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
    if (frame.bytes == nullptr || stride == 0 || height == 0 || frame.size != stride * height)
        return false;
    // RGB32 is B, G, R and an unused byte, 0xFF from the decoder and the converter.
    frame_ = QImage(frame.bytes.get(), width, height, stride,
                    frame.bitCount == 32 ? QImage::Format_RGB32 : QImage::Format_BGR888);
    held_ = std::move(frame);
    bottomUp_ = info.biHeight > 0;
    return true;
}

void FramePainter::Clear() {
    frame_ = QImage();
    held_ = HeldFrame{};
}

void FramePainter::Paint(QPainter& painter, const QRect& target, bool recording, int videoWidth) {
    if (frame_.isNull() || target.isEmpty()) return Clear();
    const qreal sx = qreal(target.width()) / frame_.width();
    const qreal sy = qreal(target.height()) / frame_.height();
    QTransform picture;
    picture.translate(target.x(), target.y());
    picture.scale(sx, sy);

    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (CopyInto(painter, target)) {
        // done
    } else if (bottomUp_) {
        // The first row in memory is the picture's bottom row.
        painter.setTransform(QTransform(sx, 0, 0, -sy, target.x(), target.y() + target.height()));
        painter.drawImage(QRect(0, 0, frame_.width(), frame_.height()), frame_);
    } else {
        painter.drawImage(target, frame_);
    }
    if (recording && !indicator_.isNull()) {
        painter.setTransform(picture);
        const int size = indicator_.width();
        painter.drawImage(QRect(videoWidth - size, 0, size, size), indicator_);
    }
    painter.restore();
    Clear();
}

bool FramePainter::CopyInto(QPainter& painter, const QRect& target) {
    if (frame_.format() != QImage::Format_RGB32) return false;
    QPaintEngine* engine = painter.paintEngine();
    auto* image = engine ? dynamic_cast<QImage*>(engine->paintDevice()) : nullptr;
    if (image == nullptr || (image->format() != QImage::Format_RGB32 &&
                             image->format() != QImage::Format_ARGB32_Premultiplied))
        return false;
    // Unscaled (the widget's offset only), and the whole target is to be painted.
    const QTransform& device = painter.deviceTransform();
    if (device.type() > QTransform::TxTranslate || painter.hasClipping()) return false;
    const QRect area = target.translated(qRound(device.dx()), qRound(device.dy()));
    const QRegion clip = engine->systemClip();
    if (!image->rect().contains(area) || (!clip.isEmpty() && !clip.contains(area))) return false;

    const int width = frame_.width();
    const int height = frame_.height();
    const int columns = area.width();
    if (columns_.frameWidth != width || int(columns_.source.size()) != columns) {
        columns_.frameWidth = width;
        columns_.source.resize(std::size_t(columns));
        columns_.runs.clear();
        for (int x = 0; x < columns; ++x) {
            columns_.source[std::size_t(x)] = int(qint64(x) * width / columns);
            if (x == 0 ||
                columns_.source[std::size_t(x)] != columns_.source[std::size_t(x) - 1] + 1)
                columns_.runs.emplace_back(x, 0);
            ++columns_.runs.back().second;
        }
    }
    // Long runs (an enlargement, 1:1) are copied whole; short ones pixel by pixel.
    const bool byRuns = columns_.runs.size() * 8 <= std::size_t(columns);
    const std::size_t rowBytes = std::size_t(columns) * 4;
    int previous = -1;
    for (int y = 0; y < area.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(image->scanLine(area.y() + y)) + area.x();
        const int row = int(qint64(y) * height / area.height());
        if (row == previous) {  // the line above again
            std::memcpy(out, reinterpret_cast<const uchar*>(out) - image->bytesPerLine(), rowBytes);
            continue;
        }
        previous = row;
        const auto* in =
            reinterpret_cast<const QRgb*>(frame_.constScanLine(bottomUp_ ? height - 1 - row : row));
        if (byRuns) {
            for (const auto& [start, length] : columns_.runs)
                std::memcpy(out + start, in + columns_.source[std::size_t(start)],
                            std::size_t(length) * 4);
        } else {
            for (int x = 0; x < columns; ++x) out[x] = in[columns_.source[std::size_t(x)]];
        }
    }
    return true;
}
