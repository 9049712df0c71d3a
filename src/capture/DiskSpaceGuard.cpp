#include "capture/DiskSpaceGuard.h"

#include <sys/statvfs.h>

void DiskSpaceGuard::Attach(GstPad* muxInput, const std::string& path) {
    const std::size_t slash = path.rfind('/');
    auto* guard = new DiskSpaceGuard(slash == std::string::npos ? std::string(".")
                                                                : path.substr(0, slash + 1));
    gst_pad_add_probe(muxInput, GST_PAD_PROBE_TYPE_BUFFER, &DiskSpaceGuard::OnFrame, guard,
                      [](gpointer self) { delete static_cast<DiskSpaceGuard*>(self); });
}

bool DiskSpaceGuard::Fits(std::uint64_t freeBytes, std::uint64_t framesWritten,
                          std::uint64_t frameBytes) {
    const std::uint64_t end = kHeaderBytes + (framesWritten + 1) * kIndexBytesPerFrame;
    return freeBytes >= frameBytes + end + kMarginBytes;
}

GstPadProbeReturn DiskSpaceGuard::OnFrame(GstPad* pad, GstPadProbeInfo* info, gpointer self) {
    auto* guard = static_cast<DiskSpaceGuard*>(self);
    if (guard->full_) return GST_PAD_PROBE_DROP;
    struct statvfs disk {};
    // A file system that cannot say how full it is is not second-guessed.
    if (::statvfs(guard->folder_.c_str(), &disk) != 0 ||
        Fits(std::uint64_t(disk.f_bavail) * disk.f_frsize, guard->frames_,
             gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info)))) {
        ++guard->frames_;
        return GST_PAD_PROBE_OK;
    }
    guard->full_ = true;
    if (GstElement* mux = gst_pad_get_parent_element(pad)) {
        GST_ELEMENT_ERROR(mux, RESOURCE, NO_SPACE_LEFT, ("Not enough space left on the disk"),
                          ("the recording keeps room for its index and a margin"));
        gst_object_unref(mux);
    }
    return GST_PAD_PROBE_DROP;
}
