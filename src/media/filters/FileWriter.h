// File Writer: writes its input to a file (filesink). The graph drains it (end of stream)
// before stopping, so that the muxer upstream can finish the file.
#pragma once

#include <atomic>
#include <string>

#include "media/graph/GstFilter.h"

class FileWriter final : public GstFilter, public IFileSinkFilter {
public:
    FileWriter();
    ~FileWriter() override;

    HRESULT QueryInterface(REFIID riid, void** object) override {
        return GstFilter::QueryInterface(riid, object);
    }
    ULONG AddRef() override { return GstFilter::AddRef(); }
    ULONG Release() override { return GstFilter::Release(); }
    // IFileSinkFilter: setFileName.
    HRESULT SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE* mt) override;

    // Creates the file (or opens an existing one without truncating it) to prove it can be
    // written. HRESULT_FROM_WIN32 path-not-found / access-denied codes when it cannot. The
    // file stays locked (flock) while the writer lives, so that the repair of interrupted
    // recordings, in this or another instance, leaves it alone.
    HRESULT setFileName(const std::wstring& path);
    const std::string& fileName() const { return path_; }

    void onGraphStarting() override { eos_ = false; }
    // True while the writer and every input of the filter feeding it are connected.
    bool writesFile() const override;
    bool drained() const override { return eos_; }
    std::uint64_t buffersWritten() const override { return buffers_; }

protected:
    HRESULT queryFilterInterface(REFIID riid, void** object) override;

private:
    static GstPadProbeReturn onData(GstPad* pad, GstPadProbeInfo* info, gpointer self);

    GstElement* sink_ = nullptr;
    std::string path_;
    int lock_ = -1;
    std::atomic<bool> eos_{false};
    std::atomic<std::uint64_t> buffers_{0};
};
