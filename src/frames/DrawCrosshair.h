// The aiming crosshair: a one-pixel white cross drawn into an RGB24 or RGB32 frame in place.
#pragma once

#include "platform/WinTypes.h"

// Bytes per row of an RGB frame of that width and bits per pixel (24 or 32): padded to a
// multiple of 4. 0 for a width of 0 or less, or a row longer than 2^31 bytes.
LONG RgbStride(LONG width, WORD bitCount);
// RgbStride(width, 24).
inline LONG Rgb24Stride(LONG width) {
    return RgbStride(width, 24);
}

// Draws the cross into frame (length bytes, rows of RgbStride(width, bitCount) bytes):
// column width / 2 of every row and the whole storage row |height| / 2 become white. For a
// positive height the rows are stored bottom-up, for a negative one top-down; either way
// the storage row |height| / 2 is used. Only bytes inside [frame, frame + length) are
// written: rows the buffer does not hold are left out. Nothing happens for a null frame,
// a width of 0 or less, a height of 0 or a length of 0 or less.
void DrawCrosshair(BYTE* frame, LONG width, LONG height, LONG length, WORD bitCount = 24);
