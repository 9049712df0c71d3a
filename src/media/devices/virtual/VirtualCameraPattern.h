// The virtual camera's picture (layout documented in VirtualCamera.h) and its rendering into
// the formats the camera sends, once per format and control setting.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "media/devices/V4l2Formats.h"

namespace lumi::devices {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Brightness, contrast, saturation, hue, in the ranges of VirtualCamera.h.
struct PictureControls {
    int32_t brightness = 0;
    int32_t contrast = 32;
    int32_t saturation = 64;
    int32_t hue = 0;
    friend bool operator==(const PictureControls&, const PictureControls&) = default;
};

// One format's frames for one control setting: kFrameCount frames, replayed in turn.
struct VirtualCameraFrames {
    VideoFormat format;
    PictureControls controls;
    std::vector<std::vector<uint8_t>> frames;
};

class VirtualCameraPattern {
public:
    static constexpr int kFrameCount = 10;  // marker positions; frame n shows n mod 10
    static constexpr int kBarCount = 8;
    // The picture's colours before controls: the eight bars, then grey, then the marker.
    static constexpr int kGrey = 8;
    static constexpr int kMarker = 9;
    static constexpr int kColourCount = 10;
    static const std::array<Rgb, kColourCount>& baseColours();

    // A colour after the controls (full-range BT.601 YCbCr; identity at the defaults).
    static Rgb applyControls(Rgb colour, const PictureControls& controls);

    // Marker geometry for a W x H picture and frame k (0..kFrameCount-1).
    struct Marker {
        int x = 0, y = 0, size = 0;
    };
    static Marker marker(int width, int height, int frame);
    // The colour index at (x, y) of frame k.
    static int colourIndexAt(int width, int height, int frame, int x, int y);

    // Frame k as packed RGB (3 bytes a pixel, rows top-down).
    static std::vector<uint8_t> renderRgb(int width, int height, int frame,
                                          const PictureControls& controls);
    // Frame k as YUY2, limited range, BT.601 for heights up to 576 and BT.709 above (the
    // colorimetry GStreamer assumes for YUY2 caps that name none). Width must be even.
    static std::vector<uint8_t> renderYuy2(int width, int height, int frame,
                                           const PictureControls& controls);
    // Frame k as a baseline JPEG (4:2:2, as cameras send it); empty if encoding fails.
    static std::vector<uint8_t> renderJpeg(int width, int height, int frame,
                                           const PictureControls& controls);

    // Every frame of the format at that setting, shared with other cameras asking for the
    // same (rendered on first request, freed when the last user lets go).
    static std::shared_ptr<const VirtualCameraFrames> frames(const VideoFormat& format,
                                                             const PictureControls& controls);
};

}  // namespace lumi::devices
