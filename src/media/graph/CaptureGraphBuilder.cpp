#include "media/graph/CaptureGraphBuilder.h"

#include <algorithm>

#include "media/graph/FilterGraph.h"
#include "media/graph/GstFilter.h"

namespace {

GstFilter* AsFilter(IUnknown* unknown) {
    return unknown ? dynamic_cast<GstFilter*>(unknown) : nullptr;
}

// A filter of a registered class, as this layer's filter.
HRESULT CreateFilter(REFCLSID clsid, ComPtr<IBaseFilter>& filter) {
    const HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.putVoid());
    if (FAILED(hr)) return hr;
    return AsFilter(filter.get()) ? S_OK : E_NOINTERFACE;
}

bool IsSmartTee(GstFilter& filter) {
    CLSID clsid{};
    return SUCCEEDED(filter.GetClassID(&clsid)) && clsid == CLSID_SmartTee;
}

bool TypeMatches(const GUID* type) {
    // Every pin of this layer carries video.
    return !type || *type == GUID_NULL || *type == MEDIATYPE_Video;
}

GraphPin* FreePin(GstFilter* filter, PIN_DIRECTION dir) {
    if (!filter) return nullptr;
    for (const auto& pin : filter->pins())
        if (pin->direction() == dir && !pin->peer()) return pin.get();
    return nullptr;
}

GraphPin* PinOf(GstFilter* filter, PIN_DIRECTION dir, const GUID& category) {
    for (const auto& pin : filter->pins())
        if (pin->direction() == dir && pin->category() == category) return pin.get();
    return nullptr;
}

}  // namespace

HRESULT CaptureGraphBuilder::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ICaptureGraphBuilder2)
        return ComHandOut<ICaptureGraphBuilder2>(this, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT CaptureGraphBuilder::SetFiltergraph(IGraphBuilder* graph) {
    if (!graph) return E_POINTER;
    if (graph_) return E_UNEXPECTED;
    auto* g = dynamic_cast<FilterGraph*>(graph);
    if (!g) return E_NOINTERFACE;
    graphRef_ = ComPtr<IGraphBuilder>(graph);
    graph_ = g;
    return S_OK;
}

HRESULT CaptureGraphBuilder::ensureGraph() {
    if (graph_) return S_OK;
    ComPtr<IGraphBuilder> graph;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IGraphBuilder, graph.putVoid());
    if (FAILED(hr)) return hr;
    return SetFiltergraph(graph.get());
}

HRESULT CaptureGraphBuilder::SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** mux,
                                               IUnknown** sink) {
    if (mux) *mux = nullptr;
    if (sink) *sink = nullptr;
    if (!type || !file || !mux) return E_POINTER;
    if (!(*type == MEDIASUBTYPE_Avi)) return E_INVALIDARG;
    HRESULT hr = ensureGraph();
    if (FAILED(hr)) return hr;

    ComPtr<IBaseFilter> writerFilter;
    hr = CreateFilter(CLSID_FileWriter, writerFilter);
    if (FAILED(hr)) return hr;
    ComPtr<IFileSinkFilter> fileSink;
    hr = writerFilter->QueryInterface(IID_IFileSinkFilter, fileSink.putVoid());
    if (FAILED(hr)) return hr;
    hr = fileSink->SetFileName(file, nullptr);
    if (FAILED(hr)) return hr;
    ComPtr<IBaseFilter> muxFilter;
    hr = CreateFilter(CLSID_AviDest, muxFilter);
    if (FAILED(hr)) return hr;
    GstFilter* writer = AsFilter(writerFilter.get());
    GstFilter* aviMux = AsFilter(muxFilter.get());
    if (aviMux->pins().size() != 2 || writer->pins().empty()) return E_FAIL;

    hr = graph_->AddFilter(aviMux, L"AVI Mux");
    if (SUCCEEDED(hr)) {
        hr = graph_->AddFilter(writer, file);
        if (SUCCEEDED(hr)) {
            hr = graph_->ConnectDirect(aviMux->pins()[1].get(), writer->pins()[0].get(), nullptr);
            if (FAILED(hr)) graph_->RemoveFilter(writer);
        }
        if (FAILED(hr)) graph_->RemoveFilter(aviMux);
    }
    if (FAILED(hr)) return hr;
    *mux = muxFilter.get();
    (*mux)->AddRef();
    if (sink) {
        *sink = writerFilter.get();
        (*sink)->AddRef();
    }
    return S_OK;
}

HRESULT CaptureGraphBuilder::FindPin(IUnknown* source, PIN_DIRECTION dir, const GUID* category,
                                     const GUID* type, BOOL unconnected, int index, IPin** pin) {
    if (!source || !pin) return E_POINTER;
    *pin = nullptr;
    if (auto* given = dynamic_cast<GraphPin*>(source)) {
        const bool fits = given->direction() == dir &&
                          (!category || given->category() == *category) && TypeMatches(type) &&
                          (!unconnected || !given->peer()) && index == 0;
        if (!fits) return E_FAIL;
        *pin = given;
        given->AddRef();
        return S_OK;
    }
    GstFilter* filter = AsFilter(source);
    if (!filter) return E_NOINTERFACE;
    if (!TypeMatches(type)) return E_FAIL;
    int seen = 0;
    for (const auto& p : filter->pins()) {
        if (p->direction() != dir) continue;
        if (category && !(p->category() == *category)) continue;
        if (unconnected && p->peer()) continue;
        if (seen++ == index) {
            *pin = p.get();
            p->AddRef();
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT CaptureGraphBuilder::search(GstFilter* filter, PIN_DIRECTION toward, REFIID riid,
                                    void** object, int depth) {
    if (!filter || depth > 32) return E_NOINTERFACE;
    if (SUCCEEDED(filter->QueryInterface(riid, object))) return S_OK;
    for (const auto& pin : filter->pins()) {
        if (pin->direction() != toward) continue;
        if (SUCCEEDED(pin->QueryInterface(riid, object))) return S_OK;
        if (GraphPin* peer = pin->peer()) {
            if (SUCCEEDED(peer->QueryInterface(riid, object))) return S_OK;
            if (SUCCEEDED(search(&peer->filter(), toward, riid, object, depth + 1))) return S_OK;
        }
    }
    return E_NOINTERFACE;
}

HRESULT CaptureGraphBuilder::FindInterface(const GUID* category, const GUID* type,
                                           IBaseFilter* filter, REFIID riid, void** object) {
    if (!filter || !object) return E_POINTER;
    *object = nullptr;
    GstFilter* f = AsFilter(filter);
    if (!f) return E_NOINTERFACE;
    if (category && *category == LOOK_UPSTREAM_ONLY) {
        for (const auto& pin : f->pins())
            if (pin->direction() == PINDIR_INPUT && pin->peer() &&
                SUCCEEDED(search(&pin->peer()->filter(), PINDIR_INPUT, riid, object, 0)))
                return S_OK;
        return E_NOINTERFACE;
    }
    if (category && *category == LOOK_DOWNSTREAM_ONLY) {
        for (const auto& pin : f->pins())
            if (pin->direction() == PINDIR_OUTPUT && pin->peer() &&
                SUCCEEDED(search(&pin->peer()->filter(), PINDIR_OUTPUT, riid, object, 0)))
                return S_OK;
        return E_NOINTERFACE;
    }
    if (!category || *category == GUID_NULL) {
        if (SUCCEEDED(search(f, PINDIR_OUTPUT, riid, object, 0))) return S_OK;
        return search(f, PINDIR_INPUT, riid, object, 0);
    }
    // A pin of the category: the pin itself, then what lies downstream of it.
    if (!TypeMatches(type)) return E_NOINTERFACE;
    for (const auto& pin : f->pins()) {
        if (pin->direction() != PINDIR_OUTPUT || !(pin->category() == *category)) continue;
        if (SUCCEEDED(pin->QueryInterface(riid, object))) return S_OK;
        if (GraphPin* peer = pin->peer())
            if (SUCCEEDED(search(&peer->filter(), PINDIR_OUTPUT, riid, object, 0))) return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT CaptureGraphBuilder::sourcePin(const GUID* category, const GUID* type, IUnknown* source,
                                       std::vector<ComPtr<IBaseFilter>>& added, GraphPin** pin) {
    *pin = nullptr;
    if (auto* given = dynamic_cast<GraphPin*>(source)) {
        if (given->direction() != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
        if (given->peer()) return VFW_E_ALREADY_CONNECTED;
        *pin = given;
        return S_OK;
    }
    GstFilter* filter = AsFilter(source);
    if (!filter) return E_NOINTERFACE;
    if (!TypeMatches(type)) return VFW_E_CANNOT_RENDER;
    if (!category) {
        *pin = FreePin(filter, PINDIR_OUTPUT);
        return *pin ? S_OK : E_FAIL;
    }
    if (GraphPin* own = PinOf(filter, PINDIR_OUTPUT, *category)) {
        // A capture output already feeding a Smart Tee: the tee's capture output serves.
        if (*category == PIN_CATEGORY_CAPTURE && own->peer()) {
            if (GstFilter* tee = &own->peer()->filter(); IsSmartTee(*tee)) {
                GraphPin* teeCapture = PinOf(tee, PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE);
                if (teeCapture && !teeCapture->peer()) {
                    *pin = teeCapture;
                    return S_OK;
                }
            }
            return VFW_E_ALREADY_CONNECTED;
        }
        if (own->peer()) return VFW_E_ALREADY_CONNECTED;
        *pin = own;
        return S_OK;
    }
    if (!(*category == PIN_CATEGORY_PREVIEW)) return E_FAIL;

    // Preview of a source with only a capture output: split it with a Smart Tee.
    GraphPin* capture = PinOf(filter, PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE);
    if (!capture) return E_FAIL;
    GstFilter* tee = capture->peer() ? &capture->peer()->filter() : nullptr;
    if (tee && !IsSmartTee(*tee)) return VFW_E_ALREADY_CONNECTED;
    if (!tee) {
        ComPtr<IBaseFilter> created;
        HRESULT hr = CreateFilter(CLSID_SmartTee, created);
        if (FAILED(hr)) return hr;
        tee = AsFilter(created.get());
        hr = graph_->AddFilter(tee, L"Smart Tee");
        if (FAILED(hr)) return hr;
        added.push_back(created);
        hr = graph_->ConnectDirect(capture, FreePin(tee, PINDIR_INPUT), nullptr);
        if (FAILED(hr)) return hr;
    }
    GraphPin* preview = PinOf(tee, PINDIR_OUTPUT, PIN_CATEGORY_PREVIEW);
    if (!preview || preview->peer()) return VFW_E_ALREADY_CONNECTED;
    *pin = preview;
    return VFW_S_NOPREVIEWPIN;
}

HRESULT CaptureGraphBuilder::RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                          IBaseFilter* intermediate, IBaseFilter* sink) {
    if (!source) return E_POINTER;
    if (!graph_) return E_UNEXPECTED;
    GstFilter* middle = AsFilter(intermediate);
    GstFilter* last = AsFilter(sink);
    if ((intermediate && !middle) || (sink && !last)) return E_INVALIDARG;
    if (!middle && !last) return VFW_E_CANNOT_RENDER;  // no default renderer here

    const std::vector<GstFilter*> before = graph_->filters();
    std::vector<ComPtr<IBaseFilter>> added;
    std::vector<GraphPin*> linked;  // output pins this call connected

    GraphPin* current = nullptr;
    const HRESULT found = sourcePin(category, type, source, added, &current);
    HRESULT hr = found;
    auto step = [&](GstFilter* next) {
        if (FAILED(hr) || !next) return;
        GraphPin* in = FreePin(next, PINDIR_INPUT);
        if (!in) {
            hr = VFW_E_CANNOT_CONNECT;
            return;
        }
        hr = graph_->Connect(current, in);
        if (FAILED(hr)) return;
        linked.push_back(current);
        current = FreePin(next, PINDIR_OUTPUT);
        if (!current && next != last) hr = VFW_E_CANNOT_CONNECT;
    };
    step(middle);
    step(last);
    if (SUCCEEDED(hr)) return found;

    // Leave the graph as it was: undo this call's links and drop what it inserted.
    for (GraphPin* pin : linked) pin->Disconnect();
    for (GstFilter* f : graph_->filters())
        if (std::find(before.begin(), before.end(), f) == before.end()) graph_->RemoveFilter(f);
    return hr;
}
