// The filter graph manager: one GstPipeline holding the filters' bins.
//
// Graph notices: the owner registers a window with IMediaEventEx::SetNotifyWindow; every
// queued event (a streaming error: EC_ERRORABORT; a capture device that vanished:
// EC_DEVICE_LOST) is then announced by PostMessage(window, msg, 0, instanceData) from
// whatever thread saw it, and handled on the window's (UI) thread, where GetEvent fetches
// it. The layer's own choice of message is WM_GRAPHNOTIFY (DShow.h).
#pragma once

#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "media/com/ComPtr.h"
#include "media/com/DShow.h"
#include "media/gst/GstHandle.h"

class GstFilter;
class GraphPin;

// Why a source failed, from its error: E_DEVICE_BUSY (the device is held by another
// program), E_ACCESSDENIED (no permission to use it), E_NO_BANDWIDTH (its stream cannot
// start: a driver says ENOSPC for want of USB bandwidth), else E_FAIL. A source's error is
// never the disk's.
HRESULT SourceErrorResult(const GError* error, const char* debug);

class FilterGraph final : public IGraphBuilder,
                          public IMediaControl,
                          public IMediaEventEx,
                          public IVideoWindow {
public:
    FilterGraph();
    ~FilterGraph() override;

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** object) override;
    LUMI_IMPLEMENT_REFCOUNT

    // IFilterGraph: a name already taken gets " 0001", " 0002", ... (VFW_S_DUPLICATE_NAME).
    HRESULT AddFilter(IBaseFilter* filter, LPCOLESTR name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    // Most recently added first.
    HRESULT EnumFilters(IEnumFilters** filters) override;
    HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) override;
    HRESULT Disconnect(IPin* pin) override;

    // IGraphBuilder: inserts an MJPEG decoder or a colour converter where needed.
    HRESULT Connect(IPin* out, IPin* in) override;

    // IMediaControl. Run fails, the pipeline down again, when a source cannot start: the
    // state change fails or an error comes before every source has its format (the result
    // tells why: SourceErrorResult). Stop on a graph writing a file sends end of stream and
    // waits for it (until no buffer has reached the file for kDrainTimeoutMs) before the
    // pipeline goes down.
    HRESULT Run() override;
    HRESULT Stop() override;
    HRESULT GetState(LONG timeoutMs, OAFilterState* state) override;

    // IMediaEvent / IMediaEventEx
    HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG timeoutMs) override;
    HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT SetNotifyWindow(OAHWND window, LONG msg, LONG_PTR instanceData) override;

    // IVideoWindow: inert. No renderer here owns a window; the calls change nothing.
    HRESULT put_Owner(OAHWND owner) override;
    HRESULT put_WindowStyle(LONG style) override;
    HRESULT put_Visible(LONG visible) override;
    HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;

    GstElement* pipeline() const { return pipeline_.get(); }
    // The filters in order of addition.
    std::vector<GstFilter*> filters() const;
    bool contains(const GstFilter* filter) const;

    static constexpr int kDrainTimeoutMs = 5000;
    static constexpr int kStateTimeoutMs = 5000;

private:
    struct Entry {
        ComPtr<IBaseFilter> ref;
        GstFilter* filter;
    };
    struct Event {
        LONG code;
        LONG_PTR param1;
        LONG_PTR param2;
    };

    static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    void queueEvent(LONG code, LONG_PTR param1, LONG_PTR param2);
    HRESULT link(GraphPin* out, GraphPin* in, const AM_MEDIA_TYPE* mt);
    HRESULT connectThrough(const CLSID& clsid, const wchar_t* name, GraphPin* out, GraphPin* in);
    bool nameTaken(const std::wstring& name) const;
    void removeEntry(std::size_t index);

    RefCount refs_;
    GstHandle<GstElement> pipeline_;
    std::vector<Entry> entries_;

    std::atomic<int> errorCount_{0};
    std::atomic<HRESULT> runError_{S_OK};  // the first error since Run began
    std::mutex eventMutex_;
    std::condition_variable eventSignal_;
    std::deque<Event> events_;
    QPointer<QObject> notifyWindow_;
    LONG notifyMessage_ = 0;
    LONG_PTR notifyInstance_ = 0;
};
