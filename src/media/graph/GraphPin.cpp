#include "media/graph/GraphPin.h"

#include <cstring>

#include "media/graph/GstFilter.h"
#include "media/graph/MediaType.h"

namespace {

GQuark PinQuark() {
    static const GQuark quark = g_quark_from_static_string("lumi-graph-pin");
    return quark;
}

void CopyName(const std::wstring& name, OLECHAR* target, std::size_t capacity) {
    const std::size_t n = std::min(name.size(), capacity - 1);
    std::wmemcpy(target, name.data(), n);
    target[n] = 0;
}

}  // namespace

GraphPin::GraphPin(GstFilter& filter, std::wstring name, PIN_DIRECTION dir, const GUID& category,
                   GstPad* ghostPad)
    : filter_(filter),
      name_(std::move(name)),
      dir_(dir),
      category_(category),
      pad_(GstHandle<GstPad>::share(ghostPad)) {
    g_object_set_qdata(G_OBJECT(ghostPad), PinQuark(), this);
}

GraphPin::~GraphPin() {
    g_object_set_qdata(G_OBJECT(pad_.get()), PinQuark(), nullptr);
}

GraphPin* GraphPin::fromPad(GstPad* pad) {
    if (!pad) return nullptr;
    return static_cast<GraphPin*>(g_object_get_qdata(G_OBJECT(pad), PinQuark()));
}

GraphPin* GraphPin::peer() const {
    GstHandle<GstPad> other = GstHandle<GstPad>::adopt(gst_pad_get_peer(pad_.get()));
    return fromPad(other.get());
}

GstHandle<GstCaps> GraphPin::possibleCaps() const {
    return GstHandle<GstCaps>::adopt(gst_pad_query_caps(pad_.get(), nullptr));
}

HRESULT GraphPin::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPin) return ComHandOut<IPin>(this, object);
    return filter_.queryPinInterface(*this, riid, object);
}

ULONG GraphPin::AddRef() {
    return filter_.AddRef();
}

ULONG GraphPin::Release() {
    return filter_.Release();
}

HRESULT GraphPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) {
    if (!receivePin) return E_POINTER;
    if (!filter_.graph()) return VFW_E_NOT_IN_GRAPH;
    auto* in = dynamic_cast<GraphPin*>(receivePin);
    if (!in) return E_POINTER;
    if (in->filter().graph() != filter_.graph()) return VFW_E_NOT_IN_GRAPH;
    return linkTo(*in, mt);
}

HRESULT GraphPin::linkTo(GraphPin& in, const AM_MEDIA_TYPE* mt) {
    if (dir_ != PINDIR_OUTPUT || in.direction() != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
    if (peer() || in.peer()) return VFW_E_ALREADY_CONNECTED;

    GstHandle<GstCaps> outCaps = possibleCaps();
    GstHandle<GstCaps> inCaps = in.possibleCaps();
    GstHandle<GstCaps> common =
        GstHandle<GstCaps>::adopt(gst_caps_intersect(outCaps.get(), inCaps.get()));
    if (mt) {
        GstHandle<GstCaps> wanted = CapsFromMediaType(*mt);
        common = GstHandle<GstCaps>::adopt(gst_caps_intersect(common.get(), wanted.get()));
    }
    if (gst_caps_is_empty(common.get())) return VFW_E_NO_ACCEPTABLE_TYPES;
    if (gst_pad_link(pad_.get(), in.pad()) != GST_PAD_LINK_OK) return VFW_E_CANNOT_CONNECT;

    GstHandle<GstCaps> fixed = GstHandle<GstCaps>::adopt(gst_caps_fixate(common.release()));
    setConnectionCaps(fixed);
    in.setConnectionCaps(fixed);
    return S_OK;
}

HRESULT GraphPin::Disconnect() {
    GraphPin* other = peer();
    if (!other) return S_FALSE;
    if (dir_ == PINDIR_OUTPUT)
        gst_pad_unlink(pad_.get(), other->pad());
    else
        gst_pad_unlink(other->pad(), pad_.get());
    connectionCaps_.reset();
    other->connectionCaps_.reset();
    return S_OK;
}

HRESULT GraphPin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    GraphPin* other = peer();
    if (!other) return VFW_E_NOT_CONNECTED;
    *pin = other;
    other->AddRef();
    return S_OK;
}

HRESULT GraphPin::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
    if (!mt) return E_POINTER;
    *mt = AM_MEDIA_TYPE{};
    if (!peer() || !connectionCaps_) return VFW_E_NOT_CONNECTED;
    return MediaTypeFromCaps(connectionCaps_.get(), mt) ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT GraphPin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = &filter_;
    filter_.AddRef();
    info->dir = dir_;
    CopyName(name_, info->achName, MAX_PIN_NAME);
    return S_OK;
}

HRESULT GraphPin::QueryDirection(PIN_DIRECTION* dir) {
    if (!dir) return E_POINTER;
    *dir = dir_;
    return S_OK;
}
