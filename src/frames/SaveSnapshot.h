// Writes one buffered live frame as the next numbered picture: SaveFolder + PicturePrefix +
// "_" + NextPictureNumber + ".jpg", upright as the preview shows it.
#pragma once

#include <QString>
#include <cstdint>

#include "platform/WinTypes.h"
#include "settings/NumberedFiles.h"

class CSampleGrabberCB;

// Writes the frame (length bytes of RGB24 or RGB32 rows as delivered: callback's Width x
// Height x BitCount, rows bottom-up for a positive height) to the next picture file. The number is
// taken and advanced under SaveSettingsMutex before anything is written, so it is used up even when
// no file results. A name already taken is never overwritten: the next number is taken instead (and
// the counter continues after it). A length other than the frame size writes nothing. No message,
// always 1.
int SaveSnapshot(CSampleGrabberCB& callback, LONG length, const BYTE* source);
// The same for a frame of width x height x bitCount, given apart from the frame sink.
int SaveSnapshot(LONG width, LONG height, WORD bitCount, LONG length, const BYTE* source);

// Installs SaveSnapshot as the frame sink's picture writer.
void InstallSaveSnapshot();
