// Writes the application icon at the hicolor theme's sizes, drawn by the program's own
// artwork code: <out>/hicolor/<N>x<N>/apps/lumivisor.png.
#include <QDir>
#include <QImage>
#include <cstdio>

#include "resources/Artwork.h"
#include "resources/ResourceIds.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(out).arg(size);
        const QImage icon = LoadIconImage(IDR_MAINFRAME, size);
        if (icon.isNull() || !QDir().mkpath(dir) ||
            !icon.save(dir + QStringLiteral("/lumivisor.png"), "PNG")) {
            std::fprintf(stderr, "%s: cannot write the %dx%d icon in %s\n", argv[0], size, size,
                         qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
