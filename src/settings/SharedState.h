// Process-wide state shared by the main window, the capture engine and the picture writer.
// Values read on a streaming thread are guarded: the save settings and the next numbers by
// SaveSettingsMutex. The frame state (FrameBuffer, the freeze and picture-request flags,
// MainWindowHandle) belongs to the frame sink: frames/FrameState.h.
#pragma once

#include <QString>
#include <cstdint>
#include <mutex>

#include "platform/WinTypes.h"

// Save folder for pictures and videos, ending in the separator unless empty.
extern QString SaveFolder;
// File-name prefixes; every run starts with "NEWPIC" and "NEWAVI" (never stored).
extern QString PicturePrefix;
extern QString VideoPrefix;
// Numbers of the next picture and video file (never stored).
extern std::int32_t NextPictureNumber;
extern std::int32_t NextVideoNumber;
// Guards the five values above wherever a streaming thread may read or write them.
extern std::mutex SaveSettingsMutex;

// 0 = English, any other value = Russian.
extern std::int32_t LanguageFlag;

// Copied into and out of the save-settings dialog; always 1.
extern BYTE AutoNumbering;

// Describes the current frame: 40, width, height, 1 plane, 24 bits, uncompressed.
extern BITMAPINFOHEADER FrameInfo;
