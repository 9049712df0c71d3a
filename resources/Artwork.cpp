#include "resources/Artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "resources/ResourceIds.h"

namespace {

// The indicator as pixels: '.' white, 'm' dark red edge, 'r' red, 'Y' yellow.
// The letter is a 7 x 9 glyph drawn with 3 x 3 pixel cells.
constexpr int kIndicatorSize = 41;
constexpr int kSquareFirst = 4;  // the red square covers 4..36 in both directions
constexpr int kSquareLast = 36;
constexpr const char* kLetterR[] = {
    "######.", "##...##", "##...##", "##...##", "######.",
    "##.##..", "##..##.", "##...##", "##...##",
};
constexpr int kCell = 3;
constexpr int kLetterLeft = 10;  // 7 cells * 3 = 21 pixels: 10..30
constexpr int kLetterTop = 7;    // 9 cells * 3 = 27 pixels: 7..33

char IndicatorPixel(int x, int y) {
    if (x < kSquareFirst || x > kSquareLast || y < kSquareFirst || y > kSquareLast) return '.';
    if (x == kSquareFirst || x == kSquareLast || y == kSquareFirst || y == kSquareLast) return 'm';
    const int cx = (x - kLetterLeft) / kCell;
    const int cy = (y - kLetterTop) / kCell;
    if (x >= kLetterLeft && y >= kLetterTop && cx < 7 && cy < 9 && kLetterR[cy][cx] == '#')
        return 'Y';
    return 'r';
}

QImage DrawIndicator() {
    QImage image(kIndicatorSize, kIndicatorSize, QImage::Format_RGB32);
    for (int y = 0; y < kIndicatorSize; ++y) {
        for (int x = 0; x < kIndicatorSize; ++x) {
            QRgb colour = qRgb(0xFF, 0xFF, 0xFF);
            switch (IndicatorPixel(x, y)) {
                case 'm':
                    colour = qRgb(0x80, 0x00, 0x00);
                    break;
                case 'r':
                    colour = qRgb(0xFF, 0x00, 0x00);
                    break;
                case 'Y':
                    colour = qRgb(0xFF, 0xFF, 0x00);
                    break;
                default:
                    break;
            }
            image.setPixel(x, y, colour);
        }
    }
    return image;
}

// The application icon: a dark blue rounded tile with a round camera lens (rings in
// blue-grey with a light reflex) and a small red dot for recording.
QImage DrawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    QPainterPath tile;
    tile.addRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    QLinearGradient background(0, 0, 0, 64);
    background.setColorAt(0, QColor(0x1F, 0x4E, 0x8C));
    background.setColorAt(1, QColor(0x0E, 0x26, 0x47));
    p.fillPath(tile, background);

    const QPointF centre(32, 34);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xC9, 0xD6, 0xE3));
    p.drawEllipse(centre, 22, 22);
    p.setBrush(QColor(0x2B, 0x33, 0x3D));
    p.drawEllipse(centre, 18, 18);
    QRadialGradient glass(centre, 13);
    glass.setColorAt(0, QColor(0x4F, 0xA3, 0xD9));
    glass.setColorAt(1, QColor(0x10, 0x2A, 0x4A));
    p.setBrush(glass);
    p.drawEllipse(centre, 13, 13);
    p.setBrush(QColor(0x05, 0x0A, 0x12));
    p.drawEllipse(centre, 5, 5);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(26.5, 28.5), 3.2, 3.2);

    p.setBrush(QColor(0xE5, 0x1C, 0x23));
    p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF), 1.5));
    p.drawEllipse(QPointF(51, 13), 6, 6);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

QImage LoadBitmapResource(int id) {
    if (id != IDB_RECORDING) return {};
    static const QImage indicator = DrawIndicator();
    return indicator;
}

QImage LoadIconImage(int id, int size) {
    if (id != IDR_MAINFRAME || size <= 0) return {};
    return DrawIcon(size);
}

QIcon LoadIconResource(int id) {
    if (id != IDR_MAINFRAME) return {};
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(QPixmap::fromImage(DrawIcon(size)));
    }
    return icon;
}
