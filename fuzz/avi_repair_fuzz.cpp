// libFuzzer target: the repair of interrupted recordings on damaged, truncated and hostile
// AVI files, through GStreamer's demuxer and muxer. Beside memory faults it checks what the
// repair promises: nothing is left in the folder but the file (no temporary file, no other
// write), a file that was not repaired keeps every byte, and a repaired one has finished
// headers and at least the complete frames the input held.
#include <dirent.h>
#include <fcntl.h>
#include <gst/gst.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/avi/AviRepair.h"
#include "media/avi/AviScan.h"

namespace {

std::string folder;

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "avi_repair_fuzz: %s\n", what);
    std::abort();
}

std::vector<std::string> Entries() {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
    }
    return names;
}

std::vector<std::uint8_t> Contents(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::uint8_t buffer[65536];
    for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.insert(bytes.end(), buffer, buffer + n);
    if (fd >= 0) ::close(fd);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gst_init(nullptr, nullptr);
    char name[] = "/tmp/avi_repair_fuzz.XXXXXX";
    Check(::mkdtemp(name) != nullptr, "no folder");
    folder = name;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = folder + "/NEWAVI_0.avi";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    Check(fd >= 0 && ::write(fd, data, size) == ssize_t(size), "cannot write the input");
    const AviScan input = ScanAvi(fd);
    ::close(fd);

    const std::atomic<bool> cancel{false};
    const AviRepairResult result = RepairInterruptedAvi(path, cancel);

    Check(Entries() == std::vector<std::string>{"NEWAVI_0.avi"}, "another file in the folder");
    const std::vector<std::uint8_t> after = Contents(path);
    if (result != AviRepairResult::Repaired) {
        Check(after == std::vector<std::uint8_t>(data, data + size), "file changed, not repaired");
    } else {
        Check(input.Interrupted(), "repaired a file that was not interrupted");
        const int repaired = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const AviScan output = ScanAvi(repaired);
        ::close(repaired);
        Check(output.avi && output.index && !output.Interrupted(), "repaired file unfinished");
        Check(output.mainHeaderFrames >= input.completeFrames, "frames lost");
    }
    ::unlink(path.c_str());
    return 0;
}
