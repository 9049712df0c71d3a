// The two GStreamer elements that make DIB-ordered RGB24 ("video/x-dib, format=BGR":
// BGR, rows bottom-up, rows padded to four bytes):
//   lumijpegdibdec: image/jpeg -> DIB, decoded by libjpeg-turbo straight to bottom-up BGR;
//   lumidibflip:    video/x-raw BGR (top-down) -> DIB, by a row-reversed copy.
// A corrupt JPEG frame is dropped with a warning on the bus.
#pragma once

#include "platform/WinTypes.h"

#include <gst/gst.h>

// Registers both element factories in this process (idempotent).
void RegisterDibElements();

inline constexpr const char* kJpegDibDecoderFactory = "lumijpegdibdec";
inline constexpr const char* kDibFlipFactory = "lumidibflip";
