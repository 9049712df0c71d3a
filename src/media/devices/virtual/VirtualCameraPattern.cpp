#include "media/devices/virtual/VirtualCameraPattern.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <numbers>
#include <tuple>

namespace lumi::devices {

namespace {

uint8_t clampByte(double v) {
    return uint8_t(std::clamp(std::lround(v), 0L, 255L));
}

struct Yuy2Pair {  // one macropixel of a uniform colour: Y U Y V
    uint8_t bytes[4];
};

Yuy2Pair toYuy2(Rgb c, bool hd) {
    const double kr = hd ? 0.2126 : 0.299;
    const double kb = hd ? 0.0722 : 0.114;
    const double kg = 1.0 - kr - kb;
    double yn = kr * c.r + kg * c.g + kb * c.b;
    double y = 16.0 + yn * 219.0 / 255.0;
    double u = 128.0 + (c.b - yn) / (2.0 * (1.0 - kb)) * 224.0 / 255.0;
    double v = 128.0 + (c.r - yn) / (2.0 * (1.0 - kr)) * 224.0 / 255.0;
    uint8_t yb = clampByte(y);
    return {{yb, clampByte(u), yb, clampByte(v)}};
}

// The colour indexes of one row of frame k (the picture is made of three kinds of rows).
void rowIndexes(int width, int height, int frame, int y, std::vector<uint8_t>& out) {
    out.resize(size_t(width));
    if (y < height / 2) {
        for (int x = 0; x < width; ++x)
            out[size_t(x)] = uint8_t(std::min(x * VirtualCameraPattern::kBarCount / width, 7));
        return;
    }
    std::fill(out.begin(), out.end(), uint8_t(VirtualCameraPattern::kGrey));
    VirtualCameraPattern::Marker m = VirtualCameraPattern::marker(width, height, frame);
    if (y >= m.y && y < m.y + m.size)
        std::fill(out.begin() + m.x, out.begin() + std::min(m.x + m.size, width),
                  uint8_t(VirtualCameraPattern::kMarker));
}

// Renders a picture row by row: rows with equal indexes are copied from the first such row.
template <typename Pixel>
std::vector<uint8_t> render(int width, int height, int frame, const std::array<Pixel, 10>& px,
                            size_t bytesPerTwoPixels) {
    size_t stride = size_t(width) / 2 * bytesPerTwoPixels;
    std::vector<uint8_t> image(stride * size_t(height));
    std::vector<uint8_t> idx, prevIdx;
    for (int y = 0; y < height; ++y) {
        rowIndexes(width, height, frame, y, idx);
        uint8_t* row = image.data() + stride * size_t(y);
        if (y > 0 && idx == prevIdx) {
            std::memcpy(row, row - stride, stride);
            continue;
        }
        for (int x = 0; x < width; x += 2)
            px[idx[size_t(x)]].write(row + size_t(x / 2) * bytesPerTwoPixels, idx[size_t(x) + 1],
                                     px);
        prevIdx = idx;
    }
    return image;
}

}  // namespace

const std::array<Rgb, VirtualCameraPattern::kColourCount>& VirtualCameraPattern::baseColours() {
    static const std::array<Rgb, kColourCount> colours = {{
        {255, 255, 255},  // white
        {255, 255, 0},    // yellow
        {0, 255, 255},    // cyan
        {0, 255, 0},      // green
        {255, 0, 255},    // magenta
        {255, 0, 0},      // red
        {0, 0, 255},      // blue
        {0, 0, 0},        // black
        {128, 128, 128},  // grey (lower half)
        {255, 255, 255},  // marker
    }};
    return colours;
}

Rgb VirtualCameraPattern::applyControls(Rgb c, const PictureControls& k) {
    if (k == PictureControls{}) return c;
    double y = 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
    double cb = -0.168736 * c.r - 0.331264 * c.g + 0.5 * c.b;
    double cr = 0.5 * c.r - 0.418688 * c.g - 0.081312 * c.b;
    y = (y - 128.0) * k.contrast / 32.0 + 128.0 + 2.0 * k.brightness;
    double angle = k.hue * std::numbers::pi / 180.0;
    double s = k.saturation / 64.0;
    double cb2 = s * (cb * std::cos(angle) - cr * std::sin(angle));
    double cr2 = s * (cb * std::sin(angle) + cr * std::cos(angle));
    return {clampByte(y + 1.402 * cr2), clampByte(y - 0.344136 * cb2 - 0.714136 * cr2),
            clampByte(y + 1.772 * cb2)};
}

VirtualCameraPattern::Marker VirtualCameraPattern::marker(int width, int height, int frame) {
    Marker m;
    m.size = (height / 8) & ~1;
    m.y = height * 5 / 8;
    int k = ((frame % kFrameCount) + kFrameCount) % kFrameCount;
    int stepX = std::max(0, (width * 3 / 4 - m.size) / (kFrameCount - 1));
    m.x = (width / 8 + k * stepX) & ~1;
    return m;
}

int VirtualCameraPattern::colourIndexAt(int width, int height, int frame, int x, int y) {
    if (y < height / 2) return std::min(x * kBarCount / width, kBarCount - 1);
    Marker m = marker(width, height, frame);
    if (y >= m.y && y < m.y + m.size && x >= m.x && x < m.x + m.size) return kMarker;
    return kGrey;
}

namespace {
struct RgbPixel {
    Rgb c;
    // Writes this pixel and the next one (index `second`) of the row.
    void write(uint8_t* p, uint8_t second, const std::array<RgbPixel, 10>& all) const {
        const Rgb& d = all[second].c;
        p[0] = c.r, p[1] = c.g, p[2] = c.b, p[3] = d.r, p[4] = d.g, p[5] = d.b;
    }
};
struct Yuy2Pixel {
    Yuy2Pair pair;
    // Macropixels never straddle two colours (every edge is at an even column).
    void write(uint8_t* p, uint8_t, const std::array<Yuy2Pixel, 10>&) const {
        std::memcpy(p, pair.bytes, 4);
    }
};
}  // namespace

std::vector<uint8_t> VirtualCameraPattern::renderRgb(int width, int height, int frame,
                                                     const PictureControls& controls) {
    if (width <= 0 || height <= 0 || width % 2) return {};
    std::array<RgbPixel, kColourCount> px;
    for (int i = 0; i < kColourCount; ++i)
        px[size_t(i)].c = applyControls(baseColours()[size_t(i)], controls);
    return render(width, height, frame, px, 6);
}

std::vector<uint8_t> VirtualCameraPattern::renderYuy2(int width, int height, int frame,
                                                      const PictureControls& controls) {
    if (width <= 0 || height <= 0 || width % 2) return {};
    std::array<Yuy2Pixel, kColourCount> px;
    for (int i = 0; i < kColourCount; ++i)
        px[size_t(i)].pair =
            toYuy2(applyControls(baseColours()[size_t(i)], controls), height > 576);
    return render(width, height, frame, px, 4);
}

std::vector<uint8_t> VirtualCameraPattern::renderJpeg(int width, int height, int frame,
                                                      const PictureControls& controls) {
    std::vector<uint8_t> rgb = renderRgb(width, height, frame, controls);
    if (rgb.empty()) return {};
    tjhandle tj = tjInitCompress();
    if (!tj) return {};
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> out;
    if (tjCompress2(tj, rgb.data(), width, width * 3, height, TJPF_RGB, &jpeg, &size, TJSAMP_422,
                    85, 0) == 0)
        out.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(tj);
    return out;
}

std::shared_ptr<const VirtualCameraFrames> VirtualCameraPattern::frames(
    const VideoFormat& format, const PictureControls& controls) {
    using Key = std::tuple<int, int, int, int32_t, int32_t, int32_t, int32_t>;
    static std::mutex mutex;
    static std::map<Key, std::weak_ptr<const VirtualCameraFrames>> cache;
    Key key{int(format.pixelFormat), format.width,        format.height, controls.brightness,
            controls.contrast,       controls.saturation, controls.hue};
    std::lock_guard lock(mutex);
    if (auto it = cache.find(key); it != cache.end()) {
        if (auto shared = it->second.lock()) return shared;
        cache.erase(it);
    }
    // Drop entries whose frames are gone, so the map does not grow with every setting tried.
    std::erase_if(cache, [](const auto& entry) { return entry.second.expired(); });

    auto set = std::make_shared<VirtualCameraFrames>();
    set->format = format;
    set->controls = controls;
    for (int k = 0; k < kFrameCount; ++k) {
        std::vector<uint8_t> f = format.pixelFormat == PixelFormat::Mjpg
                                     ? renderJpeg(format.width, format.height, k, controls)
                                     : renderYuy2(format.width, format.height, k, controls);
        if (f.empty()) return nullptr;
        set->frames.push_back(std::move(f));
    }
    cache[key] = set;
    return set;
}

}  // namespace lumi::devices
