#include "app/FramePainter.h"

#include <QPainter>
#include <QTransform>
#include <cstdlib>

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
    // Another length is a frame of another size (before the first frame of a new size):
    // the previous picture stays.
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
    if (bottomUp_) {
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
}
