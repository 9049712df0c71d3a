#include "media/filters/FileWriter.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/NarrowString.h"

FileWriter::FileWriter() : GstFilter(CLSID_FileWriter, nullptr) {
    sink_ = addElement("filesink");
    if (!sink_) return;
    g_object_set(sink_, "async", FALSE, "sync", FALSE, nullptr);
    GstHandle<GstPad> in = GstHandle<GstPad>::adopt(gst_element_get_static_pad(sink_, "sink"));
    gst_pad_add_probe(
        in.get(), GstPadProbeType(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_BUFFER),
        &FileWriter::onData, this, nullptr);
    addPin(L"in", PINDIR_INPUT, GUID_NULL, in.get());
}

FileWriter::~FileWriter() {
    if (lock_ >= 0) ::close(lock_);
}

GstPadProbeReturn FileWriter::onData(GstPad*, GstPadProbeInfo* info, gpointer self) {
    auto* writer = static_cast<FileWriter*>(self);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER)
        ++writer->buffers_;
    else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS)
        writer->eos_ = true;
    return GST_PAD_PROBE_OK;
}

HRESULT FileWriter::queryFilterInterface(REFIID riid, void** object) {
    if (riid == IID_IFileSinkFilter) return ComHandOut<IFileSinkFilter>(this, object);
    return GstFilter::queryFilterInterface(riid, object);
}

HRESULT FileWriter::SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE*) {
    if (!fileName) return E_POINTER;
    return setFileName(fileName);
}

HRESULT FileWriter::setFileName(const std::wstring& path) {
    if (path.empty()) return E_INVALIDARG;
    const std::string local = ToNarrow(FromWide(path)).toStdString();
    const int fd = ::open(local.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return HresultFromErrno(errno, E_FAIL);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);  // another process is repairing or writing it
        return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    }
    if (lock_ >= 0) ::close(lock_);
    lock_ = fd;
    path_ = local;
    g_object_set(sink_, "location", path_.c_str(), nullptr);
    return S_OK;
}

bool FileWriter::writesFile() const {
    GraphPin* upstream = pins().front()->peer();
    if (!upstream) return false;
    for (const auto& pin : upstream->filter().pins())
        if (pin->direction() == PINDIR_INPUT && !pin->peer()) return false;
    return true;
}
