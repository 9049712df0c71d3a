#include "app/FramePainter.h"

#include <QPainter>
#include <QTransform>
#include <cstdlib>
#include <cstring>

#include "frames/DrawCrosshair.h"
#include "frames/FrameState.h"

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
    const qint64 stride = Rgb24Stride(width);
    if (stride == 0 || height == 0) return false;
    const qint64 needed = stride * height;
    bool taken = false;
    WithFrameBuffer([&](const BYTE* frame, LONG size) {
        // Another length is a frame of another size (before the first frame of a new
        // size): the previous picture stays.
        if (frame == nullptr || size != needed) return;
        if (frame_.width() != width || frame_.height() != height ||
            frame_.format() != QImage::Format_BGR888) {
            frame_ = QImage(width, height, QImage::Format_BGR888);
            if (frame_.isNull()) return;
        }
        if (frame_.bytesPerLine() == stride) {
            std::memcpy(frame_.bits(), frame, static_cast<std::size_t>(needed));
        } else {
            for (int y = 0; y < height; ++y) {
                std::memcpy(frame_.scanLine(y), frame + y * stride,
                            static_cast<std::size_t>(width) * 3);
            }
        }
        taken = true;
    });
    if (taken) bottomUp_ = info.biHeight > 0;
    return taken;
}

void FramePainter::Clear() {
    frame_ = QImage();
}

void FramePainter::Paint(QPainter& painter, const QRect& target, bool recording,
                         int videoWidth) const {
    if (frame_.isNull() || target.isEmpty()) return;
    const qreal sx = qreal(target.width()) / frame_.width();
    const qreal sy = qreal(target.height()) / frame_.height();
    QTransform picture;
    picture.translate(target.x(), target.y());
    picture.scale(sx, sy);

    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    QTransform rows = picture;
    if (bottomUp_) {
        rows.translate(0, frame_.height());
        rows.scale(1, -1);
    }
    painter.setTransform(rows);
    painter.drawImage(0, 0, frame_);
    if (recording && !indicator_.isNull()) {
        painter.setTransform(picture);
        const int size = indicator_.width();
        painter.drawImage(QRect(videoWidth - size, 0, size, size), indicator_);
    }
    painter.restore();
}
