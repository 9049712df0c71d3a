// Base of every filter: an IBaseFilter over one GstBin whose ghost pads are the pins.
// The filter owns its bin; the graph that holds the filter adds the bin to its pipeline.
#pragma once

#include <cstdint>

#include <memory>
#include <string>
#include <vector>

#include "media/com/DShow.h"
#include "media/graph/GraphPin.h"
#include "media/gst/GstHandle.h"

class GstFilter : public IBaseFilter {
public:
    GstFilter(const CLSID& clsid, const char* binName);
    ~GstFilter() override;
    GstFilter(const GstFilter&) = delete;
    GstFilter& operator=(const GstFilter&) = delete;

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** object) override;
    LUMI_IMPLEMENT_REFCOUNT

    // IBaseFilter
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT EnumPins(IEnumPins** pins) override;
    HRESULT FindPin(LPCOLESTR id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) override;

    GstElement* bin() const { return bin_.get(); }
    IFilterGraph* graph() const { return graph_; }
    const std::wstring& name() const { return name_; }
    const std::vector<std::unique_ptr<GraphPin>>& pins() const { return pins_; }
    GraphPin* pinByName(const std::wstring& name) const;

    // Interfaces a pin offers beyond IPin (e.g. IAMStreamConfig on a capture output).
    virtual HRESULT queryPinInterface(GraphPin& pin, REFIID riid, void** object);
    // Called by the graph before it starts streaming.
    virtual void onGraphStarting() {}
    // False while a source that has started has no format yet (the graph's Run waits).
    virtual bool formatSettled() const { return true; }
    // A filter that writes a file is drained (end of stream) before the graph stops.
    virtual bool writesFile() const { return false; }
    // True once the end of stream reached the file (set while draining).
    virtual bool drained() const { return true; }
    // Buffers that have reached the file so far: draining goes on while this grows.
    virtual std::uint64_t buffersWritten() const { return 0; }

protected:
    // Interfaces of the derived filter; IUnknown and IBaseFilter are answered here.
    virtual HRESULT queryFilterInterface(REFIID riid, void** object);
    // Exposes target (a pad of an element inside the bin) as a pin.
    GraphPin* addPin(const std::wstring& name, PIN_DIRECTION dir, const GUID& category,
                     GstPad* target);
    // Adds an element to the bin (the bin takes it; the pointer stays valid while the filter
    // lives).
    GstElement* addElement(const char* factory, const char* name = nullptr);

    RefCount refs_;

private:
    CLSID clsid_;
    GstHandle<GstElement> bin_;
    IFilterGraph* graph_ = nullptr;  // not referenced: the graph holds the filter
    std::wstring name_;
    std::vector<std::unique_ptr<GraphPin>> pins_;
};

// Creates a filter of type T and hands out interface riid (the class-registry shape).
template <typename T>
HRESULT CreateFilterInstance(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    auto* filter = new T();
    if (!filter->bin()) {
        filter->Release();
        *object = nullptr;
        return E_FAIL;
    }
    const HRESULT hr = filter->QueryInterface(riid, object);
    filter->Release();
    return hr;
}
