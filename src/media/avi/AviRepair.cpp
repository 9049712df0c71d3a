#include "media/avi/AviRepair.h"

#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>

#include "media/avi/AviScan.h"

namespace {

// Room left beside the copy for the file system's own blocks.
constexpr std::uint64_t kSpareBytes = 4 * 1024 * 1024;
// A remux that moves no frame for this long has hung on its input.
constexpr auto kStallLimit = std::chrono::seconds(30);

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

struct Remux {
    GstElement* mux = nullptr;
    std::atomic<bool> linked{false};
    std::atomic<bool> refused{false};  // no video stream the muxer takes
    std::atomic<std::uint64_t> frames{0};
};

GstPadProbeReturn CountFrame(GstPad*, GstPadProbeInfo*, gpointer remux) {
    ++static_cast<Remux*>(remux)->frames;
    return GST_PAD_PROBE_OK;
}

// The demuxer's video stream into a video input of the muxer. A stream the muxer does not
// take (an unknown compression) ends the remux: the demuxer would wait on it.
void OnPadAdded(GstElement*, GstPad* pad, gpointer data) {
    auto* remux = static_cast<Remux*>(data);
    if (remux->linked || !g_str_has_prefix(GST_PAD_NAME(pad), "video_")) return;
    GstPad* input = gst_element_request_pad_simple(remux->mux, "video_%u");
    if (input != nullptr && gst_pad_link(pad, input) == GST_PAD_LINK_OK) {
        remux->linked = true;
        gst_pad_add_probe(input, GST_PAD_PROBE_TYPE_BUFFER, &CountFrame, remux, nullptr);
    } else {
        if (input != nullptr) gst_element_release_request_pad(remux->mux, input);
        remux->refused = true;
    }
    if (input != nullptr) gst_object_unref(input);
}

void OnNoMorePads(GstElement*, gpointer data) {
    auto* remux = static_cast<Remux*>(data);
    if (!remux->linked) remux->refused = true;
}

// filesrc ! avidemux ! avimux ! filesink; the frames written, or -1 when the pipeline did
// not reach its end of stream.
std::int64_t RemuxFile(const std::string& from, const std::string& to,
                       const std::atomic<bool>& cancel) {
    GstHandle<GstElement> pipeline = GstHandle<GstElement>::share(gst_pipeline_new(nullptr));
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* demux = gst_element_factory_make("avidemux", nullptr);
    GstElement* mux = gst_element_factory_make("avimux", nullptr);
    GstElement* sink = gst_element_factory_make("filesink", nullptr);
    if (!source || !demux || !mux || !sink) {
        for (GstElement* e : {source, demux, mux, sink})
            if (e) gst_object_unref(gst_object_ref_sink(e));
        return -1;
    }
    gst_bin_add_many(GST_BIN(pipeline.get()), source, demux, mux, sink, nullptr);
    g_object_set(source, "location", from.c_str(), nullptr);
    g_object_set(sink, "location", to.c_str(), "async", FALSE, nullptr);
    Remux remux;
    remux.mux = mux;
    g_signal_connect(demux, "pad-added", G_CALLBACK(&OnPadAdded), &remux);
    g_signal_connect(demux, "no-more-pads", G_CALLBACK(&OnNoMorePads), &remux);
    if (!gst_element_link(source, demux) || !gst_element_link(mux, sink)) return -1;

    bool ended = false;
    if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
        GstHandle<GstBus> bus = GstHandle<GstBus>::adopt(gst_element_get_bus(pipeline.get()));
        std::uint64_t seen = 0;
        auto progress = std::chrono::steady_clock::now();
        while (!cancel && !remux.refused) {
            GstMessage* message = gst_bus_timed_pop_filtered(
                bus.get(), 100 * GST_MSECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
            if (message != nullptr) {
                ended = GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
                gst_message_unref(message);
                break;
            }
            const auto now = std::chrono::steady_clock::now();
            if (remux.frames != seen) {
                seen = remux.frames;
                progress = now;
            } else if (now - progress > kStallLimit) {
                break;
            }
        }
    }
    // The muxer rewrites its headers and writes the index on the way down.
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return ended && remux.linked ? std::int64_t(remux.frames.load()) : -1;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

AviRepairResult RepairInterruptedAvi(const std::string& path, const std::atomic<bool>& cancel) {
    if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr))
        return AviRepairResult::Failed;
    // No symbolic link followed, no wait on a pipe that has that name.
    Descriptor original(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (original.get() < 0 || ::fstat(original.get(), &st) != 0) return AviRepairResult::Failed;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return AviRepairResult::NotNeeded;
    // A recorder holds its file locked until it has finished it; the lock kept here keeps
    // a second repairer away.
    if (::flock(original.get(), LOCK_EX | LOCK_NB) != 0) return AviRepairResult::InUse;
    const AviScan before = ScanAvi(original.get());
    if (!before.Interrupted()) return AviRepairResult::NotNeeded;

    const std::string folder = FolderOf(path);
    struct statvfs disk {};
    if (::statvfs(folder.c_str(), &disk) != 0 ||
        std::uint64_t(disk.f_bavail) * disk.f_frsize < std::uint64_t(st.st_size) + kSpareBytes)
        return AviRepairResult::Failed;

    // A hidden name: the number scans and the folder's file list pass it by.
    std::string temporary = folder + "/." + path.substr(path.rfind('/') + 1) + ".XXXXXX";
    Descriptor copy(::mkostemp(temporary.data(), O_CLOEXEC));
    if (copy.get() < 0) return AviRepairResult::Failed;
    const std::int64_t frames = RemuxFile(path, temporary, cancel);
    const AviScan after = ScanAvi(copy.get());
    const timespec times[2] = {st.st_atim, st.st_mtim};
    // Never fewer frames than the original holds (the demuxer may find more past damage).
    const bool whole = frames > 0 && std::uint64_t(frames) >= before.completeFrames && after.avi &&
                       after.index && after.mainHeaderFrames > 0 &&
                       ::fchmod(copy.get(), st.st_mode & 07777) == 0 &&
                       ::futimens(copy.get(), times) == 0 && ::fsync(copy.get()) == 0;
    if (!whole || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return cancel ? AviRepairResult::Cancelled : AviRepairResult::Failed;
    }
    Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0) ::fsync(directory.get());
    return AviRepairResult::Repaired;
}
