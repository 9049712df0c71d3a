// Stops a recording cleanly before its disk is full. A probe on the multiplexer's input lets
// a frame through only while the file system keeps, after it, room for what the multiplexer
// writes when the recording ends (index and headers) plus a margin for everything else on
// that disk. The first frame that would cut into it is dropped, with every later one, and the
// graph hears of a full disk (the window then ends the recording, as after a failed write):
// the file ends complete at its last frame.
#pragma once

#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <cstdint>
#include <string>

class DiskSpaceGuard {
public:
    static constexpr std::uint64_t kMarginBytes = 64ull * 1024 * 1024;
    static constexpr std::uint64_t kHeaderBytes = 1024 * 1024;
    // An idx1 entry (16 bytes) and an OpenDML index entry (8), with room to spare.
    static constexpr std::uint64_t kIndexBytesPerFrame = 32;

    // Watches the frames entering muxInput, written to the file at path; the guard lives as
    // long as the pad's probe.
    static void Attach(GstPad* muxInput, const std::string& path);

private:
    explicit DiskSpaceGuard(std::string folder) : folder_(std::move(folder)) {}
    // Whether a frame of frameBytes, after framesWritten others, leaves what the end needs.
    static bool Fits(std::uint64_t freeBytes, std::uint64_t framesWritten,
                     std::uint64_t frameBytes);
    static GstPadProbeReturn OnFrame(GstPad* pad, GstPadProbeInfo* info, gpointer self);

    std::string folder_;
    // Touched by the streaming thread only.
    std::uint64_t frames_ = 0;
    bool full_ = false;
};
