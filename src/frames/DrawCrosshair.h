// The aiming crosshair: a one-pixel white cross drawn into an RGB24 frame in place.
#pragma once

#include "platform/WinTypes.h"

// Bytes per row of an RGB24 frame of that width: 3 per pixel, padded to a multiple of 4.
// 0 for a width of 0 or less.
LONG Rgb24Stride(LONG width);

// Draws the cross into frame (length bytes, rows of Rgb24Stride(width) bytes): column
// width / 2 of every row and the whole storage row |height| / 2 become white. For a
// positive height the rows are stored bottom-up, for a negative one top-down; either way
// the storage row |height| / 2 is used. Only bytes inside [frame, frame + length) are
// written: rows the buffer does not hold are left out. Nothing happens for a null frame,
// a width of 0 or less, a height of 0 or a length of 0 or less.
void DrawCrosshair(BYTE* frame, LONG width, LONG height, LONG length);
