#include "media/devices/virtual/VirtualCameraFault.h"

#include <algorithm>
#include <iterator>
#include <random>

namespace lumi::devices {

namespace {

// The JPEG without its DHT segments (markers before the scan are walked; the scan stays).
std::vector<uint8_t> WithoutHuffmanTables(const std::vector<uint8_t>& jpeg) {
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + std::min<size_t>(2, jpeg.size()));
    size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        const uint8_t marker = jpeg[at + 1];
        const size_t length = (size_t(jpeg[at + 2]) << 8) | jpeg[at + 3];
        if (marker == 0xDA || at + 2 + length > jpeg.size()) break;  // start of scan
        if (marker != 0xC4)
            out.insert(out.end(), jpeg.begin() + at, jpeg.begin() + at + 2 + length);
        at += 2 + length;
    }
    out.insert(out.end(), jpeg.begin() + std::min(at, jpeg.size()), jpeg.end());
    return out;
}

// The JPEG without the middle third of its scan data (from the start-of-scan segment's end
// to the end-of-image marker).
std::vector<uint8_t> WithoutMiddleOfScan(const std::vector<uint8_t>& jpeg) {
    size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA)
        at += 2 + ((size_t(jpeg[at + 2]) << 8) | jpeg[at + 3]);
    if (at + 4 > jpeg.size()) return jpeg;
    const size_t scan = at + 2 + ((size_t(jpeg[at + 2]) << 8) | jpeg[at + 3]);
    if (scan + 2 > jpeg.size()) return jpeg;
    const size_t third = (jpeg.size() - 2 - scan) / 3;
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(scan + third));
    out.insert(out.end(), jpeg.begin() + std::ptrdiff_t(scan + 2 * third), jpeg.end());
    return out;
}

}  // namespace

const char* VirtualCameraFaultName(VirtualCameraFault fault) {
    static const char* const kNames[] = {
        "None",         "TruncatedFrames",    "NoHuffmanTables",
        "RandomBytes",  "OtherSize",          "LostData",
        "Stall",        "ReadError",          "BusyAtStart",
        "NoPermission", "NoBandwidthAtStart", "HalfRate",
        "RateDip",      "FastClock",
    };
    const auto index = static_cast<std::size_t>(fault);
    return index < std::size(kNames) ? kNames[index] : "?";
}

double FrameInterval(VirtualCameraFault fault, uint64_t frame) {
    if (fault == VirtualCameraFault::HalfRate) return 2;
    if (fault == VirtualCameraFault::RateDip && frame >= 30 && frame < 50) return 3;
    if (fault == VirtualCameraFault::FastClock) return 1 / 1.01;
    return 1;
}

bool DamagesFrame(VirtualCameraFault fault, uint64_t frame) {
    return frame % 2 == 1 && std::find(std::begin(kFrameDamages), std::end(kFrameDamages), fault) !=
                                 std::end(kFrameDamages);
}

std::vector<uint8_t> DamagedJpeg(VirtualCameraFault fault, const std::vector<uint8_t>& jpeg,
                                 const VideoFormat& format, int k,
                                 const PictureControls& controls) {
    switch (fault) {
        case VirtualCameraFault::TruncatedFrames:
            return std::vector<uint8_t>(jpeg.begin(),
                                        jpeg.begin() + std::ptrdiff_t(jpeg.size() / 2));
        case VirtualCameraFault::NoHuffmanTables:
            return WithoutHuffmanTables(jpeg);
        case VirtualCameraFault::RandomBytes: {
            std::vector<uint8_t> bytes(jpeg.size());
            std::minstd_rand random(std::uint_fast32_t(k) + 1);
            for (uint8_t& b : bytes) b = uint8_t(random());
            return bytes;
        }
        case VirtualCameraFault::LostData:
            return WithoutMiddleOfScan(jpeg);
        case VirtualCameraFault::OtherSize:
            return VirtualCameraPattern::renderJpeg(format.width / 2, format.height / 2, k,
                                                    controls);
        default:
            return jpeg;
    }
}

}  // namespace lumi::devices
