#include "media/graph/FilterGraph.h"

#include <gst/base/gstbasesrc.h>

#include <QString>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "media/com/ComEnumerator.h"
#include "media/graph/GstFilter.h"
#include "media/graph/MediaType.h"
#include "platform/Logging.h"
#include "platform/WindowMessage.h"

namespace {

std::string Utf8(const std::wstring& text) {
    return QString::fromStdWString(text).toStdString();
}

GraphPin* AsPin(IPin* pin) {
    return pin ? dynamic_cast<GraphPin*>(pin) : nullptr;
}

GraphPin* FirstPin(GstFilter* filter, PIN_DIRECTION dir) {
    for (const auto& pin : filter->pins())
        if (pin->direction() == dir && !pin->peer()) return pin.get();
    return nullptr;
}

bool CanCarry(const GstCaps* caps, const char* name) {
    GstHandle<GstCaps> wanted = GstHandle<GstCaps>::adopt(gst_caps_new_empty_simple(name));
    return gst_caps_can_intersect(caps, wanted.get());
}

// One line for an error or warning of the pipeline's bus: the element, the text, the details.
void LogBusMessage(const char* kind, GstMessage* message, const GError* error, const gchar* debug) {
    if (!lcMedia().isWarningEnabled()) return;
    gchar* source = gst_object_get_path_string(GST_MESSAGE_SRC(message));
    qCWarning(lcMedia, "%s from %s: %s (%s)", kind, source ? source : "?",
              error ? error->message : "", debug ? debug : "");
    g_free(source);
}

}  // namespace

FilterGraph::FilterGraph() : pipeline_(GstHandle<GstElement>::share(gst_pipeline_new(nullptr))) {
    GstHandle<GstBus> bus =
        GstHandle<GstBus>::adopt(gst_pipeline_get_bus(GST_PIPELINE(pipeline_.get())));
    gst_bus_set_sync_handler(bus.get(), &FilterGraph::onBusMessage, this, nullptr);
}

FilterGraph::~FilterGraph() {
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    while (!entries_.empty()) removeEntry(entries_.size() - 1);
    GstHandle<GstBus> bus =
        GstHandle<GstBus>::adopt(gst_pipeline_get_bus(GST_PIPELINE(pipeline_.get())));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
}

HRESULT FilterGraph::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IFilterGraph || riid == IID_IGraphBuilder)
        return ComHandOut<IGraphBuilder>(this, object);
    if (riid == IID_IMediaControl) return ComHandOut<IMediaControl>(this, object);
    if (riid == IID_IMediaEvent || riid == IID_IMediaEventEx)
        return ComHandOut<IMediaEventEx>(this, object);
    if (riid == IID_IVideoWindow) return ComHandOut<IVideoWindow>(this, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

// --- filters --------------------------------------------------------------------------

bool FilterGraph::nameTaken(const std::wstring& name) const {
    for (const Entry& e : entries_)
        if (e.filter->name() == name) return true;
    return false;
}

bool FilterGraph::contains(const GstFilter* filter) const {
    for (const Entry& e : entries_)
        if (e.filter == filter) return true;
    return false;
}

std::vector<GstFilter*> FilterGraph::filters() const {
    std::vector<GstFilter*> result;
    for (const Entry& e : entries_) result.push_back(e.filter);
    return result;
}

HRESULT FilterGraph::AddFilter(IBaseFilter* filter, LPCOLESTR name) {
    if (!filter) return E_POINTER;
    auto* f = dynamic_cast<GstFilter*>(filter);
    if (!f || !f->bin()) return E_INVALIDARG;
    if (contains(f) || f->graph()) return E_INVALIDARG;

    const std::wstring base = name && *name ? name : L"Filter";
    std::wstring unique = base;
    HRESULT result = S_OK;
    for (int n = 1; nameTaken(unique); ++n) {
        if (n > 9999) return E_FAIL;
        wchar_t suffix[8];
        std::swprintf(suffix, 8, L" %04d", n);
        unique = base + suffix;
        result = VFW_S_DUPLICATE_NAME;
    }
    gst_object_set_name(GST_OBJECT(f->bin()), Utf8(unique).c_str());
    if (!gst_bin_add(GST_BIN(pipeline_.get()), f->bin())) return E_FAIL;
    f->JoinFilterGraph(this, unique.c_str());
    entries_.push_back(Entry{ComPtr<IBaseFilter>(filter), f});
    return result;
}

void FilterGraph::removeEntry(std::size_t index) {
    GstFilter* f = entries_[index].filter;
    for (const auto& pin : f->pins()) pin->Disconnect();
    gst_element_set_state(f->bin(), GST_STATE_NULL);
    gst_bin_remove(GST_BIN(pipeline_.get()), f->bin());
    f->JoinFilterGraph(nullptr, nullptr);
    ComPtr<IBaseFilter> keep = std::move(entries_[index].ref);
    entries_.erase(entries_.begin() + std::ptrdiff_t(index));
}

HRESULT FilterGraph::RemoveFilter(IBaseFilter* filter) {
    if (!filter) return E_POINTER;
    auto* f = dynamic_cast<GstFilter*>(filter);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].filter == f) {
            removeEntry(i);
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT FilterGraph::EnumFilters(IEnumFilters** filters) {
    if (!filters) return E_POINTER;
    std::vector<ComPtr<IBaseFilter>> items;
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) items.push_back(it->ref);
    return ComEnumerator<IEnumFilters, IBaseFilter>::create(IID_IEnumFilters, std::move(items),
                                                            filters);
}

// --- connections ----------------------------------------------------------------------

HRESULT FilterGraph::link(GraphPin* out, GraphPin* in, const AM_MEDIA_TYPE* mt) {
    if (!out || !in) return E_POINTER;
    if (!contains(&out->filter()) || !contains(&in->filter())) return VFW_E_NOT_IN_GRAPH;
    return out->linkTo(*in, mt);
}

HRESULT FilterGraph::ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) {
    if (!out || !in) return E_POINTER;
    return link(AsPin(out), AsPin(in), mt);
}

HRESULT FilterGraph::connectThrough(const CLSID& clsid, const wchar_t* name, GraphPin* out,
                                    GraphPin* in) {
    ComPtr<IBaseFilter> middle;
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, middle.putVoid());
    if (FAILED(hr)) return hr;
    hr = AddFilter(middle.get(), name);
    if (FAILED(hr)) return hr;
    auto* f = dynamic_cast<GstFilter*>(middle.get());
    GraphPin* midIn = FirstPin(f, PINDIR_INPUT);
    GraphPin* midOut = FirstPin(f, PINDIR_OUTPUT);
    hr = (midIn && midOut) ? link(out, midIn, nullptr) : E_FAIL;
    if (SUCCEEDED(hr)) hr = link(midOut, in, nullptr);
    if (FAILED(hr)) RemoveFilter(middle.get());
    return hr;
}

HRESULT FilterGraph::Connect(IPin* out, IPin* in) {
    GraphPin* o = AsPin(out);
    GraphPin* i = AsPin(in);
    if (!o || !i) return E_POINTER;
    HRESULT hr = link(o, i, nullptr);
    if (hr != VFW_E_NO_ACCEPTABLE_TYPES) return hr;

    GstHandle<GstCaps> outCaps = o->possibleCaps();
    if (CanCarry(outCaps.get(), "image/jpeg") &&
        SUCCEEDED(connectThrough(CLSID_MjpegDec, L"MJPEG Decompressor", o, i)))
        return S_OK;
    if (CanCarry(outCaps.get(), "video/x-raw") &&
        SUCCEEDED(connectThrough(CLSID_Colour, L"Color Space Converter", o, i)))
        return S_OK;
    return VFW_E_CANNOT_CONNECT;
}

HRESULT FilterGraph::Disconnect(IPin* pin) {
    GraphPin* p = AsPin(pin);
    if (!p) return E_POINTER;
    return p->Disconnect();
}

// --- running --------------------------------------------------------------------------

HRESULT FilterGraph::Run() {
    for (const Entry& e : entries_) e.filter->onGraphStarting();
    runError_ = S_OK;
    GstStateChangeReturn ret = gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
    if (ret == GST_STATE_CHANGE_ASYNC)
        ret = gst_element_get_state(pipeline_.get(), nullptr, nullptr,
                                    GstClockTime(kStateTimeoutMs) * GST_MSECOND);
    // A camera refuses to start when its format is set, on its streaming thread: the run
    // waits (bounded) until every source has its format or an error came.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStateTimeoutMs);
    while (ret != GST_STATE_CHANGE_FAILURE && runError_.load() == S_OK &&
           std::chrono::steady_clock::now() < deadline &&
           !std::all_of(entries_.begin(), entries_.end(),
                        [](const Entry& e) { return e.filter->formatSettled(); }))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (ret == GST_STATE_CHANGE_FAILURE || runError_.load() != S_OK) {
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
        return FAILED(runError_.load()) ? runError_.load() : E_FAIL;
    }
    return ret == GST_STATE_CHANGE_ASYNC ? S_FALSE : S_OK;
}

HRESULT FilterGraph::Stop() {
    GstState current = GST_STATE_NULL, pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(pipeline_.get(), &current, &pending, 0);
    bool writing = false;
    for (const Entry& e : entries_) writing = writing || e.filter->writesFile();
    if (writing && (current == GST_STATE_PLAYING || pending == GST_STATE_PLAYING)) {
        // Let the muxer write its index: end of stream first, then down.
        const int errorsBefore = errorCount_.load();
        gst_element_send_event(pipeline_.get(), gst_event_new_eos());
        // A slow disk may take longer than the limit to take the last frames and the index:
        // the limit counts from the last buffer that reached a file, so a file still being
        // written is never cut short of its header; a writer stuck that long is given up.
        std::uint64_t written = ~std::uint64_t(0);
        auto deadline = std::chrono::steady_clock::now();
        for (;;) {
            bool all = true;
            std::uint64_t now = 0;
            for (const Entry& e : entries_) {
                if (!e.filter->writesFile()) continue;
                if (!e.filter->drained()) all = false;
                now += e.filter->buffersWritten();
            }
            if (now != written) {
                written = now;
                deadline =
                    std::chrono::steady_clock::now() + std::chrono::milliseconds(kDrainTimeoutMs);
            }
            if (all || errorCount_.load() != errorsBefore ||
                std::chrono::steady_clock::now() >= deadline)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    return S_OK;
}

HRESULT FilterGraph::GetState(LONG timeoutMs, OAFilterState* state) {
    if (!state) return E_POINTER;
    GstState current = GST_STATE_NULL;
    const GstClockTime timeout =
        timeoutMs < 0 ? GST_CLOCK_TIME_NONE : GstClockTime(timeoutMs) * GST_MSECOND;
    const GstStateChangeReturn ret =
        gst_element_get_state(pipeline_.get(), &current, nullptr, timeout);
    *state = current == GST_STATE_PLAYING  ? State_Running
             : current == GST_STATE_PAUSED ? State_Paused
                                           : State_Stopped;
    return ret == GST_STATE_CHANGE_ASYNC ? VFW_S_STATE_INTERMEDIATE : S_OK;
}

// --- events ---------------------------------------------------------------------------

HRESULT SourceErrorResult(const GError* error, const char* debug) {
    if (error == nullptr || error->domain != GST_RESOURCE_ERROR) return E_FAIL;
    // A driver refuses to stream with ENOSPC when the USB bus cannot carry the format;
    // v4l2src reports a refused stream start as its buffer pool not activating.
    const char* noSpace = g_strerror(ENOSPC);
    for (const char* text : {static_cast<const char*>(error->message), debug})
        if (text != nullptr && (std::strstr(text, noSpace) != nullptr ||
                                std::strstr(text, "Buffer pool activation failed") != nullptr))
            return E_NO_BANDWIDTH;
    switch (error->code) {
        case GST_RESOURCE_ERROR_BUSY:
            return E_DEVICE_BUSY;
        case GST_RESOURCE_ERROR_NOT_AUTHORIZED:
            return E_ACCESSDENIED;
        case GST_RESOURCE_ERROR_NO_SPACE_LEFT:
            return E_NO_BANDWIDTH;
        case GST_RESOURCE_ERROR_OPEN_READ:
        case GST_RESOURCE_ERROR_OPEN_READ_WRITE:
            // v4l2src names the system's reason in the details (in the same language).
            for (int reason : {EACCES, EPERM})
                if (debug != nullptr && std::strstr(debug, g_strerror(reason)) != nullptr)
                    return E_ACCESSDENIED;
            return E_FAIL;
        default:
            return E_FAIL;
    }
}

GstBusSyncReply FilterGraph::onBusMessage(GstBus*, GstMessage* message, gpointer self) {
    auto* graph = static_cast<FilterGraph*>(self);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        LogBusMessage("error", message, error, debug);
        const bool resource = error && error->domain == GST_RESOURCE_ERROR;
        const int code = error ? error->code : 0;
        // A source reads the camera; the other elements' resources are the recording's file.
        const bool source = GST_IS_BASE_SRC(GST_MESSAGE_SRC(message));
        HRESULT none = S_OK;
        graph->runError_.compare_exchange_strong(none,
                                                 source ? SourceErrorResult(error, debug) : E_FAIL);
        if (error) g_error_free(error);
        g_free(debug);
        ++graph->errorCount_;
        if (resource && source) {
            // A source that cannot read its device any more: the camera is gone.
            graph->queueEvent(EC_DEVICE_LOST, 0, 0);
        } else if (resource && code == GST_RESOURCE_ERROR_NO_SPACE_LEFT) {
            // A file being written has no room left on its disk.
            graph->queueEvent(EC_ERRORABORT, E_DISK_FULL, 0);
        } else if (resource &&
                   (code == GST_RESOURCE_ERROR_WRITE || code == GST_RESOURCE_ERROR_OPEN_WRITE ||
                    code == GST_RESOURCE_ERROR_OPEN_READ_WRITE ||
                    code == GST_RESOURCE_ERROR_CLOSE)) {
            graph->queueEvent(EC_ERRORABORT, E_WRITE_FAULT, 0);
        } else if (resource) {
            graph->queueEvent(EC_DEVICE_LOST, 0, 0);
        } else {
            graph->queueEvent(EC_ERRORABORT, VFW_E_RUNTIME_ERROR, 0);
        }
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING) {
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_warning(message, &error, &debug);
        LogBusMessage("warning", message, error, debug);
        if (error) g_error_free(error);
        g_free(debug);
    }
    // Nothing is left on the bus: no main loop has to drain it. A dropped message is the
    // handler's to release; each one holds its source element (and so the pipeline).
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void FilterGraph::queueEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
    QObject* window = nullptr;
    LONG message = 0;
    LONG_PTR instance = 0;
    {
        std::lock_guard lock(eventMutex_);
        events_.push_back(Event{code, param1, param2});
        window = notifyWindow_.data();
        message = notifyMessage_;
        instance = notifyInstance_;
    }
    eventSignal_.notify_all();
    if (window && message != 0) PostMessage(window, UINT(message), 0, instance);
}

HRESULT FilterGraph::GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG timeoutMs) {
    if (!eventCode || !param1 || !param2) return E_POINTER;
    std::unique_lock lock(eventMutex_);
    auto ready = [this] { return !events_.empty(); };
    if (timeoutMs < 0)
        eventSignal_.wait(lock, ready);
    else
        eventSignal_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    if (events_.empty()) return E_ABORT;
    const Event e = events_.front();
    events_.pop_front();
    *eventCode = e.code;
    *param1 = e.param1;
    *param2 = e.param2;
    return S_OK;
}

HRESULT FilterGraph::FreeEventParams(LONG, LONG_PTR, LONG_PTR) {
    return S_OK;
}

HRESULT FilterGraph::SetNotifyWindow(OAHWND window, LONG msg, LONG_PTR instanceData) {
    std::lock_guard lock(eventMutex_);
    notifyWindow_ = reinterpret_cast<QObject*>(window);
    notifyMessage_ = msg;
    notifyInstance_ = instanceData;
    return S_OK;
}

// --- inert video window ---------------------------------------------------------------

HRESULT FilterGraph::put_Owner(OAHWND) {
    return S_OK;
}
HRESULT FilterGraph::put_WindowStyle(LONG) {
    return S_OK;
}
HRESULT FilterGraph::put_Visible(LONG) {
    return S_OK;
}
HRESULT FilterGraph::SetWindowPosition(LONG, LONG, LONG, LONG) {
    return S_OK;
}
