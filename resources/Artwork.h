// The program's own artwork, drawn by code so that it is the same on every build:
// the application icon (128) and the recording indicator bitmap (135).
#pragma once

#include <QIcon>
#include <QImage>

// Bitmap 135: 41 x 41, a yellow letter R on a red square, white around it (white is the
// transparent colour when it is drawn). Null image for an unknown id.
QImage LoadBitmapResource(int id);

// Icon 128 at a size in pixels (square, ARGB32). Null image for an unknown id.
QImage LoadIconImage(int id, int size);

// Icon 128 at the usual sizes; needs a QGuiApplication. Null icon for an unknown id.
QIcon LoadIconResource(int id);
