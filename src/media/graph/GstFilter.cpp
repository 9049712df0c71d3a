#include "media/graph/GstFilter.h"

#include <cstring>
#include <stdexcept>

#include "media/com/ComEnumerator.h"

GstFilter::GstFilter(const CLSID& clsid, const char* binName)
    : clsid_(clsid), bin_(GstHandle<GstElement>::share(gst_bin_new(binName))) {}

GstFilter::~GstFilter() {
    pins_.clear();
    if (bin_) gst_element_set_state(bin_.get(), GST_STATE_NULL);
}

HRESULT GstFilter::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IBaseFilter || riid == IID_IMediaFilter ||
        riid == IID_IPersist)
        return ComHandOut<IBaseFilter>(this, object);
    return queryFilterInterface(riid, object);
}

HRESULT GstFilter::queryFilterInterface(REFIID, void** object) {
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT GstFilter::queryPinInterface(GraphPin&, REFIID, void** object) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT GstFilter::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

HRESULT GstFilter::EnumPins(IEnumPins** pins) {
    if (!pins) return E_POINTER;
    std::vector<ComPtr<IPin>> items;
    for (const auto& pin : pins_) items.emplace_back(static_cast<IPin*>(pin.get()));
    return ComEnumerator<IEnumPins, IPin>::create(IID_IEnumPins, std::move(items), pins);
}

HRESULT GstFilter::FindPin(LPCOLESTR id, IPin** pin) {
    if (!id || !pin) return E_POINTER;
    *pin = nullptr;
    GraphPin* found = pinByName(id);
    if (!found) return VFW_E_NOT_FOUND;
    *pin = found;
    found->AddRef();
    return S_OK;
}

GraphPin* GstFilter::pinByName(const std::wstring& name) const {
    for (const auto& pin : pins_)
        if (pin->name() == name) return pin.get();
    return nullptr;
}

HRESULT GstFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    const std::size_t n = std::min<std::size_t>(name_.size(), MAX_FILTER_NAME - 1);
    std::wmemcpy(info->achName, name_.data(), n);
    info->achName[n] = 0;
    info->pGraph = graph_;
    if (info->pGraph) info->pGraph->AddRef();
    return S_OK;
}

HRESULT GstFilter::JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) {
    graph_ = graph;
    name_ = name ? name : L"";
    return S_OK;
}

GraphPin* GstFilter::addPin(const std::wstring& name, PIN_DIRECTION dir, const GUID& category,
                            GstPad* target) {
    std::string padName;
    for (wchar_t c : name) padName += (c < 128 && c != ' ') ? char(c) : '_';
    GstPad* ghost = gst_ghost_pad_new(padName.c_str(), target);
    if (!ghost) return nullptr;
    gst_element_add_pad(bin_.get(), ghost);  // the bin takes the floating reference
    pins_.push_back(std::make_unique<GraphPin>(*this, name, dir, category, ghost));
    return pins_.back().get();
}

GstElement* GstFilter::addElement(const char* factory, const char* name) {
    GstElement* e = gst_element_factory_make(factory, name);
    if (!e) return nullptr;
    gst_bin_add(GST_BIN(bin_.get()), e);
    return e;
}
