#include "MediaTestSupport.h"

#include <gtest/gtest.h>

#include "media/graph/MediaType.h"

namespace mediatest {

using lumi::devices::V4l2Formats;
using lumi::devices::VirtualCamera;

HRESULT CountingCallback::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid != IID_ISampleGrabberCB && riid != IID_IUnknown) return E_NOINTERFACE;
    *object = static_cast<ISampleGrabberCB*>(this);
    return S_OK;
}

HRESULT CountingCallback::SampleCB(double time, IMediaSample* sample) {
    BYTE* data = nullptr;
    if (!sample || FAILED(sample->GetPointer(&data))) return E_POINTER;
    lastLength = sample->GetActualDataLength();
    if (onFrame) onFrame(time, data, lastLength);
    ++samples;
    return S_OK;
}

HRESULT CountingCallback::BufferCB(double time, BYTE* buffer, LONG length) {
    if (!buffer) return E_POINTER;
    lastLength = length;
    if (onFrame) onFrame(time, buffer, length);
    ++buffers;
    return S_OK;
}

static ComPtr<IBaseFilter> Create(const CLSID& clsid) {
    ComPtr<IBaseFilter> f;
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, f.putVoid());
    return f;
}

HRESULT EngineGraph::build(IBaseFilter* source) {
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IGraphBuilder, graph.putVoid());
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr,
                              CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                              IID_ICaptureGraphBuilder2, builder.putVoid());
    if (FAILED(hr)) return hr;
    builder->SetFiltergraph(graph.get());
    if (FAILED(hr = graph.as(IID_IMediaControl, control))) return hr;
    capture = ComPtr<IBaseFilter>(source);
    graph->AddFilter(capture.get(), L"Capture Filter");
    grabberFilter = Create(CLSID_SampleGrabber);
    stillGrabberFilter = Create(CLSID_SampleGrabber);
    if (!grabberFilter || !stillGrabberFilter) return E_FAIL;
    grabberFilter.as(IID_ISampleGrabber, grabber);
    stillGrabberFilter.as(IID_ISampleGrabber, stillGrabber);
    graph->AddFilter(grabberFilter.get(), L"Grabber");
    graph->AddFilter(stillGrabberFilter.get(), L"GrabberStill");
    nullRenderer = Create(CLSID_NullRenderer);
    nullRenderer2 = Create(CLSID_NullRenderer);
    graph->AddFilter(nullRenderer.get(), L"NullRender");
    graph->AddFilter(nullRenderer2.get(), L"NullRender");
    return S_OK;
}

HRESULT EngineGraph::connect() {
    AM_MEDIA_TYPE mt{MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FALSE, FALSE, 0, GUID_NULL, nullptr, 0,
                     nullptr};
    HRESULT hr = grabber->SetMediaType(&mt);
    if (SUCCEEDED(hr)) hr = stillGrabber->SetMediaType(&mt);
    if (FAILED(hr)) return hr;
    hr = builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, capture.get(),
                               grabberFilter.get(), nullRenderer2.get());
    if (FAILED(hr))
        hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, capture.get(),
                                   grabberFilter.get(), nullRenderer2.get());
    if (FAILED(hr)) return hr;
    for (int attempt = 0; attempt < 2; ++attempt)  // the engine tries twice
        if (SUCCEEDED(builder->RenderStream(&PIN_CATEGORY_STILL, &MEDIATYPE_Video, capture.get(),
                                            stillGrabberFilter.get(), nullRenderer.get())))
            break;
    AM_MEDIA_TYPE connected{};
    if (FAILED(hr = grabber->GetConnectedMediaType(&connected))) return hr;
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(connected.pbFormat);
    width = vih->bmiHeader.biWidth;
    height = vih->bmiHeader.biHeight;
    FreeMediaType(connected);
    grabber->SetCallback(&frames, 1);
    stillGrabber->SetCallback(&stills, 0);
    return S_OK;
}

HRESULT EngineGraph::triggerStill() {
    ComPtr<IAMVideoControl> videoControl;
    HRESULT hr = capture.as(IID_IAMVideoControl, videoControl);
    if (FAILED(hr)) return hr;
    ComPtr<IPin> pin;
    hr = builder->FindPin(capture.get(), PINDIR_OUTPUT, &PIN_CATEGORY_STILL, nullptr, FALSE, 0,
                          pin.put());
    if (SUCCEEDED(hr) && pin) hr = videoControl->SetMode(pin.get(), VideoControlFlag_Trigger);
    return hr;
}

// The engine's RemoveDownstream: by pin enumeration, recursively.
static void RemoveDownstream(IFilterGraph* graph, IBaseFilter* filter) {
    ComPtr<IEnumPins> pins;
    if (!filter || filter->EnumPins(pins.put()) != S_OK) return;
    for (ComPtr<IPin> pin; pins->Next(1, pin.put(), nullptr) == S_OK;) {
        ComPtr<IPin> peer;
        if (FAILED(pin->ConnectedTo(peer.put()))) continue;
        PIN_INFO info{};
        if (FAILED(peer->QueryPinInfo(&info))) break;
        if (info.dir == PINDIR_INPUT) {
            RemoveDownstream(graph, info.pFilter);
            graph->Disconnect(peer.get());
            graph->Disconnect(pin.get());
            graph->RemoveFilter(info.pFilter);
        }
        if (info.pFilter) info.pFilter->Release();
    }
}

void EngineGraph::reset() {
    IBaseFilter* const own[] = {capture.get(), grabberFilter.get(), stillGrabberFilter.get(),
                                nullRenderer.get(), nullRenderer2.get()};
    for (IBaseFilter* f : own) RemoveDownstream(graph.get(), f);
    for (IBaseFilter* f : own) graph->RemoveFilter(f);
    graph->AddFilter(nullRenderer.get(), L"Null renderer");
    graph->AddFilter(nullRenderer2.get(), L"Null renderer2");
    graph->AddFilter(grabberFilter.get(), L"Sample grabber");
    graph->AddFilter(stillGrabberFilter.get(), L"Sample grabberStill");
    graph->AddFilter(capture.get(), L"Capture source");
}

std::set<IBaseFilter*> EngineGraph::filters() const {
    std::set<IBaseFilter*> result;
    ComPtr<IEnumFilters> list;
    if (FAILED(graph->EnumFilters(list.put()))) return result;
    for (ComPtr<IBaseFilter> f; list->Next(1, f.put(), nullptr) == S_OK;) result.insert(f.get());
    return result;
}

std::set<IBaseFilter*> EngineGraph::ownFilters() const {
    return {capture.get(), grabberFilter.get(), stillGrabberFilter.get(), nullRenderer.get(),
            nullRenderer2.get()};
}

ComPtr<CaptureSourceFilter> MakeVirtualSource(const lumi::devices::VideoFormat& format,
                                              bool stillPin, VirtualCamera* camera) {
    GstElement* element = VirtualCamera::createElement({.stillPin = stillPin});
    if (camera) *camera = VirtualCamera::fromElement(element);
    auto all = GstHandle<GstCaps>::adopt(VirtualCamera::allCaps());
    CaptureSourceFilter::Options filterOptions;
    filterOptions.stillPin = stillPin;
    auto filter = ComPtr<CaptureSourceFilter>::adopt(
        new CaptureSourceFilter(element, V4l2Formats::fromCaps(all.get()), filterOptions));
    EXPECT_EQ(filter->setFormat(format), S_OK) << format.toString();
    return filter;
}

}  // namespace mediatest
