// What an AVI file's headers and chunk headers say about it, read without trusting the sizes
// a writer that was interrupted leaves as placeholders (the RIFF and movi sizes, the frame
// counts, the missing index). Reads the file through a descriptor; never writes.
#pragma once

#include <cstdint>

struct AviScan {
    bool avi = false;                // RIFF "AVI " with a main header and a movi list
    std::uint32_t streams = 0;       // streams the main header announces
    std::uint32_t videoStreams = 0;  // stream headers of type "vids"
    std::uint32_t mainHeaderFrames = 0;
    bool index = false;  // an idx1 chunk right after the movi list, as its size says
    // Video frames wholly inside the file (empty chunks are no frames), counted by walking the
    // chunk headers from the start of the movi list (into later RIFF-AVIX parts); only for
    // interrupted recordings.
    std::uint64_t completeFrames = 0;

    // A recording whose writer never finished it: one video stream and nothing else, frames
    // in the movi list, but no frame count in the main header or no index.
    bool Interrupted() const {
        return avi && streams == 1 && videoStreams == 1 && (mainHeaderFrames == 0 || !index) &&
               completeFrames > 0;
    }
};

// Scans the file open on fd (any position; pread only).
AviScan ScanAvi(int fd);
