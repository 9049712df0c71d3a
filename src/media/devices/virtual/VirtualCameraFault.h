// What a virtual camera can be made to do wrong, as real cameras do: damaged MJPEG frames,
// a stalled stream, a read error, a start refused, fewer frames than its format says. Test code
// chooses the fault of a camera (VirtualCamera::setFault, VirtualCameraProvider::setFault) while it
// runs or before it starts; it acts on the capture output from its next frame or start.
#pragma once

#include <cstdint>
#include <vector>

#include "media/devices/virtual/VirtualCameraPattern.h"

namespace lumi::devices {

enum class VirtualCameraFault {
    None,
    // Every other MJPG frame (the odd ones) damaged, so the stream stays live; YUY2 frames
    // are left alone:
    TruncatedFrames,  // cut to half its length: no end-of-image marker
    NoHuffmanTables,  // without its Huffman table segments, as many cameras send MJPEG
    RandomBytes,      // as many random bytes as the frame had
    OtherSize,        // a whole picture of half the width and height
    LostData,  // a third of its compressed data lost from the middle, as when a USB packet is
               // dropped: its header and end-of-image marker intact
    // The capture output delivers nothing, and no end of stream, until the fault is cleared.
    Stall,
    // A glitch: the next frame fails with "could not read from resource" (the output stops,
    // the camera stays listed) and the fault clears itself.
    ReadError,
    // The capture output cannot start while the fault holds: when its format is set, the
    // device is busy (held by another program), or there is no permission to use it.
    BusyAtStart,
    NoPermission,
    // ... or its stream start is refused for want of USB bandwidth (ENOSPC), as a driver
    // refuses to stream a format its bus cannot carry.
    NoBandwidthAtStart,
    // Another rate than the format's 30 a second, the format unchanged: 15 a second (as an
    // auto-exposure camera in dim light); counted from the output's start, 30 a second for
    // 1 s, 10 a second for 2 s, then 30 again; 1 % fast (a camera whose clock runs fast).
    HalfRate,
    RateDip,
    FastClock,
};

// The faults that damage frames.
inline constexpr VirtualCameraFault kFrameDamages[] = {
    VirtualCameraFault::TruncatedFrames, VirtualCameraFault::NoHuffmanTables,
    VirtualCameraFault::RandomBytes, VirtualCameraFault::OtherSize, VirtualCameraFault::LostData};

// The fault's name as written above ("Stall").
const char* VirtualCameraFaultName(VirtualCameraFault fault);

// The time from frame number `frame` to the next, in frames of the format (1/30 s).
double FrameInterval(VirtualCameraFault fault, uint64_t frame);

// Whether the fault damages frame number `frame` (counted from 0 at the output's start).
bool DamagesFrame(VirtualCameraFault fault, uint64_t frame);

// The damaged form of the JPEG `jpeg` (frame k of `format` under `controls`).
std::vector<uint8_t> DamagedJpeg(VirtualCameraFault fault, const std::vector<uint8_t>& jpeg,
                                 const VideoFormat& format, int k, const PictureControls& controls);

}  // namespace lumi::devices
