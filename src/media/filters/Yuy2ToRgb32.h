// YUY2 to RGB32 (B, G, R, 0xFF) one row at a time, with exactly the pixels GStreamer's
// converter gives (videoconvert's settings) for limited-range BT.601 and BT.709 YUY2: its
// 8-bit path works on signed values about 128 (value ^ 0x80), spreads each byte over 16
// bits (b * 257), multiplies keeping the high 16 bits and adds with saturation, and makes
// the chroma of every pixel from the pair samples before that: the sample itself and the
// mean with the next one where the chroma is sited on even pixels, 3:1 with the nearer
// neighbour otherwise. The same arithmetic, 16 pixels a step with SSE2.
#pragma once

#include <gst/video/video.h>

#include <cstdint>
#include <optional>

struct Yuy2ToRgb32 {
    // Multipliers of Y for every channel, V for red, U for blue, U and V for green.
    std::int16_t y, vr, ub, ug, vg;
    // Chroma sited on the even pixels (else between two pixels).
    bool cosited;

    // The conversion for info (YUY2 of an even width, limited range, BT.601 or BT.709,
    // chroma sited by MPEG-2, JPEG or unknown); nullopt for any other.
    static std::optional<Yuy2ToRgb32> For(const GstVideoInfo& info);

    // One row of width pixels (even): width * 2 bytes in, width * 4 bytes out.
    void Row(const std::uint8_t* in, std::uint8_t* out, int width) const;
};
