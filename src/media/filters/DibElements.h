// The two GStreamer elements that make DIB-ordered RGB24 or RGB32 ("video/x-dib,
// format=BGR" or "format=BGRx": rows bottom-up, padded to four bytes):
//   lumijpegdibdec: image/jpeg -> DIB, decoded by libjpeg-turbo straight to bottom-up rows;
//   lumidibconvert: video/x-raw of any format -> DIB, converted by GStreamer's converter
//                   with videoconvert's settings (the same pixels) into bottom-up rows.
// A corrupt JPEG frame is dropped with a warning on the bus. With "deferred" set, the
// decoder checks each frame's header and end and lets a whole one through undecoded: the
// output buffer's bytes are left as they are and a JpegFrame on it holds the JPEG, decoded
// by whoever takes the frame (MediaSample, the painter).
#pragma once

#include "platform/WinTypes.h"

#include <gst/gst.h>

// Registers both element factories in this process (idempotent).
void RegisterDibElements();

inline constexpr const char* kJpegDibDecoderFactory = "lumijpegdibdec";
inline constexpr const char* kDibConvertFactory = "lumidibconvert";
