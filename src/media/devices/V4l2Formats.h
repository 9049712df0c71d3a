// The capture formats a camera offers, read from its GstCaps: MJPG ("image/jpeg") and YUY2
// ("video/x-raw, format=YUY2"), with sizes and frame rates. Caps of real (v4l2src) and
// virtual cameras have the same shape, so both go through here. Other formats (NV12, H.264,
// memory features such as DMABuf) are skipped.
#pragma once

#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumi::devices {

enum class PixelFormat { Yuy2, Mjpg };

// "YUY2" or "MJPG": the FOURCC of the format.
const char* fourccName(PixelFormat format);

struct FrameRate {
    int numerator = 0;
    int denominator = 1;
    double value() const { return denominator ? double(numerator) / denominator : 0.0; }
    friend bool operator==(const FrameRate&, const FrameRate&) = default;
};

// One fixed format: what a pipeline is asked to produce.
struct VideoFormat {
    PixelFormat pixelFormat = PixelFormat::Yuy2;
    int width = 0;
    int height = 0;
    FrameRate rate{30, 1};
    friend bool operator==(const VideoFormat&, const VideoFormat&) = default;

    // Bytes of one frame for YUY2 (width * 2 * height); 0 for MJPG (variable).
    uint64_t frameBytes() const;
    // Fixed caps for this format, e.g. "video/x-raw, format=YUY2, width=640, height=480,
    // framerate=30/1" or "image/jpeg, width=..., ...". Empty rate (0/1) leaves the rate out.
    GstCaps* toCaps() const;
    std::string toString() const;
};

// A format the camera offers: one pixel format and size (or size range), and its rates.
struct V4l2Format {
    PixelFormat pixelFormat = PixelFormat::Yuy2;
    // The size. For a size range these are the largest size; the range is given below and
    // equals width/height for a discrete size.
    int width = 0;
    int height = 0;
    int minWidth = 0, maxWidth = 0, widthStep = 1;
    int minHeight = 0, maxHeight = 0, heightStep = 1;
    // The discrete rates offered, highest first. For a rate range: its two ends.
    std::vector<FrameRate> rates;
    // The lowest and highest rate (a rate of 0/1, "variable", is left out).
    FrameRate minRate;
    FrameRate maxRate;
    bool isSizeRange() const { return minWidth != maxWidth || minHeight != maxHeight; }
    // This format at its size and highest rate.
    VideoFormat defaultFormat() const { return {pixelFormat, width, height, maxRate}; }
};

class V4l2Formats {
public:
    // The formats in the caps' order (a camera lists its preferred one first); a pixel format
    // and size given in several structures is merged into one entry with all their rates.
    static std::vector<V4l2Format> fromCaps(const GstCaps* caps);
    // The same from a caps string; empty for a string that does not parse.
    static std::vector<V4l2Format> fromCapsString(std::string_view caps);
};

}  // namespace lumi::devices
