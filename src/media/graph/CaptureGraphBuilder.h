// The capture graph builder: renders a source's pin of a category through an intermediate
// filter to a sink, inserting what is needed as real filters of the graph:
//   - a Smart Tee when preview is asked of a source that has only a capture output (its
//     "Capture" output then serves a later capture request, its "Preview" output this one);
//   - an MJPEG decoder or a colour converter where the types differ (the graph's Connect).
// A RenderStream that fails leaves the graph as it found it.
#pragma once

#include <vector>

#include "media/com/ComPtr.h"
#include "media/com/DShow.h"

class FilterGraph;
class GraphPin;
class GstFilter;

class CaptureGraphBuilder final : public ICaptureGraphBuilder2 {
public:
    CaptureGraphBuilder() = default;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    LUMI_IMPLEMENT_REFCOUNT

    HRESULT SetFiltergraph(IGraphBuilder* graph) override;
    // AVI only: adds "AVI Mux" and a File Writer named by the file, connected, and hands
    // back the mux. When the file cannot be created nothing is added and *mux stays null.
    HRESULT SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** mux,
                              IUnknown** sink) override;
    HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID riid,
                          void** object) override;
    HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                         IBaseFilter* intermediate, IBaseFilter* sink) override;
    HRESULT FindPin(IUnknown* source, PIN_DIRECTION dir, const GUID* category, const GUID* type,
                    BOOL unconnected, int index, IPin** pin) override;

private:
    HRESULT ensureGraph();
    HRESULT sourcePin(const GUID* category, const GUID* type, IUnknown* source,
                      std::vector<ComPtr<IBaseFilter>>& added, GraphPin** pin);
    // The filter, then its pins of that direction and what they lead to, depth first.
    HRESULT search(GstFilter* filter, PIN_DIRECTION toward, REFIID riid, void** object, int depth);

    RefCount refs_;
    ComPtr<IGraphBuilder> graphRef_;
    FilterGraph* graph_ = nullptr;
};
