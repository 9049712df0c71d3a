// Reads an AVI back with GStreamer's demuxer: frames, caps and a digest of each frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace capturetest {

struct AviContents {
    bool error = false;  // the demuxer refused the file or posted an error
    int frames = 0;
    std::string mediaType;  // "image/jpeg", "video/x-raw"
    std::string format;     // "YUY2" for raw video
    int width = 0;
    int height = 0;
    std::vector<std::uint64_t> digests;  // one per frame, in order
};

// Plays the file through filesrc ! avidemux ! appsink.
AviContents ReadAvi(const std::string& path);

// FNV-1a over the bytes.
std::uint64_t Digest(const std::uint8_t* data, std::size_t size);

}  // namespace capturetest
