#include "media/avi/AviScan.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Chunks looked at per list of the headers; recordings have a handful.
constexpr int kMaxChunksPerList = 64;

std::size_t ReadAt(int fd, std::uint64_t offset, unsigned char* out, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out + done, size - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += std::size_t(n);
    }
    return done;
}

std::uint32_t Le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

bool Is(const unsigned char* p, const char* fourcc) {
    return std::memcmp(p, fourcc, 4) == 0;
}

bool Printable(const unsigned char* p) {
    for (int i = 0; i < 4; ++i)
        if (p[i] < 0x20 || p[i] > 0x7E) return false;
    return true;
}

// "00db", "01dc": a video frame of stream 00 to 99.
bool IsVideoChunk(const unsigned char* p) {
    return p[0] >= '0' && p[0] <= '9' && p[1] >= '0' && p[1] <= '9' && p[2] == 'd' &&
           (p[3] == 'b' || p[3] == 'c');
}

std::uint64_t Padded(std::uint32_t size) {
    return std::uint64_t(size) + (size & 1);
}

// The stream headers of one strl list in [begin, end).
void ReadStreamList(int fd, std::uint64_t begin, std::uint64_t end, AviScan& scan) {
    std::uint64_t pos = begin;
    for (int i = 0; i < kMaxChunksPerList && pos + 12 <= end; ++i) {
        unsigned char c[12];
        if (ReadAt(fd, pos, c, 12) != 12) return;
        if (Is(c, "strh") && Le32(c + 4) >= 4 && Is(c + 8, "vids")) ++scan.videoStreams;
        pos += 8 + Padded(Le32(c + 4));
    }
}

// The main header and the stream lists of the hdrl list in [begin, end); false without a
// main header.
bool ReadHeaderList(int fd, std::uint64_t begin, std::uint64_t end, AviScan& scan) {
    bool mainHeader = false;
    std::uint64_t pos = begin;
    for (int i = 0; i < kMaxChunksPerList && pos + 8 <= end; ++i) {
        unsigned char c[12] = {};
        if (ReadAt(fd, pos, c, 12) < 8) break;
        const std::uint32_t size = Le32(c + 4);
        if (Is(c, "avih") && size >= 40 && pos + 8 + 40 <= end) {
            unsigned char h[40];
            if (ReadAt(fd, pos + 8, h, 40) != 40) break;
            scan.mainHeaderFrames = Le32(h + 16);
            scan.streams = Le32(h + 24);
            mainHeader = true;
        } else if (Is(c, "LIST") && Is(c + 8, "strl")) {
            ReadStreamList(fd, pos + 12, std::min(end, pos + 8 + Padded(size)), scan);
        }
        pos += 8 + Padded(size);
    }
    return mainHeader;
}

// Video frames (chunks that are not empty) wholly in the file from pos on. RIFF and LIST headers
// are stepped into whatever size they give (an interrupted writer leaves placeholders there); the
// walk ends at the first chunk cut short or at bytes that are no chunk header.
std::uint64_t CountCompleteFrames(int fd, std::uint64_t pos, std::uint64_t fileSize) {
    std::uint64_t frames = 0;
    while (pos + 8 <= fileSize) {
        unsigned char c[8];
        if (ReadAt(fd, pos, c, 8) != 8 || !Printable(c)) break;
        if (Is(c, "RIFF") || Is(c, "LIST")) {
            pos += 12;
            continue;
        }
        const std::uint32_t size = Le32(c + 4);
        if (pos + 8 + size > fileSize) break;
        if (IsVideoChunk(c) && size > 0) ++frames;
        pos += 8 + Padded(size);
    }
    return frames;
}

}  // namespace

AviScan ScanAvi(int fd) {
    AviScan scan;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return scan;
    const auto fileSize = std::uint64_t(st.st_size);
    unsigned char head[12];
    if (ReadAt(fd, 0, head, 12) != 12 || !Is(head, "RIFF") || !Is(head + 8, "AVI ")) return scan;

    bool mainHeader = false;
    std::uint64_t movi = 0;
    std::uint32_t moviSize = 0;
    std::uint64_t pos = 12;
    for (int i = 0; i < kMaxChunksPerList && pos + 8 <= fileSize; ++i) {
        unsigned char c[12] = {};
        if (ReadAt(fd, pos, c, 12) < 8) break;
        const std::uint32_t size = Le32(c + 4);
        if (Is(c, "LIST") && Is(c + 8, "movi")) {
            movi = pos;
            moviSize = size;
            break;
        }
        if (Is(c, "LIST") && Is(c + 8, "hdrl"))
            mainHeader =
                ReadHeaderList(fd, pos + 12, std::min(fileSize, pos + 8 + Padded(size)), scan);
        pos += 8 + Padded(size);
    }
    if (!mainHeader || movi == 0) return scan;
    scan.avi = true;
    unsigned char next[4];
    scan.index = ReadAt(fd, movi + 8 + Padded(moviSize), next, 4) == 4 && Is(next, "idx1");
    if (scan.streams == 1 && scan.videoStreams == 1 && (scan.mainHeaderFrames == 0 || !scan.index))
        scan.completeFrames = CountCompleteFrames(fd, movi + 12, fileSize);
    return scan;
}
