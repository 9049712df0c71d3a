#include "PagesTestSupport.h"

#include <gtest/gtest.h>

#include "media/pages/OleCreatePropertyFrame.h"

namespace pagestest {

using lumi::devices::ControlType;
using lumi::devices::V4l2Formats;
using lumi::devices::VirtualCamera;
using lumi::pages::PropertyFrame;

HRESULT DataCamera::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ICameraControls)
        return ComHandOut<ICameraControls>(this, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT DataCamera::GetControls(std::vector<ControlInfo>* controls) {
    if (controls) *controls = controls_;
    return controls ? S_OK : E_POINTER;
}

HRESULT DataCamera::GetValue(ULONG id, LONG* value) {
    ControlInfo* c = find(id);
    if (!c || c->type == ControlType::Button) return E_PROP_ID_UNSUPPORTED;
    *value = c->current;
    return S_OK;
}

HRESULT DataCamera::SetValue(ULONG id, LONG value) {
    ControlInfo* c = find(id);
    bool ok = c && !c->readOnly && value >= c->minimum && value <= c->maximum;
    if (ok && c->type == ControlType::Integer && c->step > 1)
        ok = (int64_t(value) - c->minimum) % c->step == 0;
    if (const auto lock = locks_.find(id); ok && lock != locks_.end())
        ok = !lock->second.second.count(this->value(lock->second.first));
    if (!ok) {
        ++refused;
        return E_INVALIDARG;
    }
    if (c->type != ControlType::Button) c->current = value;
    writes.emplace_back(id, value);
    return S_OK;
}

int32_t DataCamera::value(uint32_t id) const {
    for (const ControlInfo& c : controls_)
        if (c.id == id) return c.current;
    ADD_FAILURE() << "no control " << id;
    return 0;
}

ControlInfo* DataCamera::find(uint32_t id) {
    for (ControlInfo& c : controls_)
        if (c.id == id) return &c;
    return nullptr;
}

ControlInfo Integer(uint32_t id, const char* name, int32_t min, int32_t max, int32_t step,
                    int32_t def, int32_t current) {
    return {.id = id,
            .name = name,
            .group = lumi::devices::controlGroupOf(id),
            .minimum = min,
            .maximum = max,
            .step = step,
            .defaultValue = def,
            .current = current,
            .menu = {}};
}

ControlInfo Boolean(uint32_t id, const char* name, bool def, bool current) {
    ControlInfo c = Integer(id, name, 0, 1, 1, def, current);
    c.type = ControlType::Boolean;
    return c;
}

ControlInfo Menu(uint32_t id, const char* name, std::vector<std::pair<int32_t, const char*>> items,
                 int32_t def, int32_t current) {
    ControlInfo c = Integer(id, name, items.empty() ? 0 : items.front().first,
                            items.empty() ? 0 : items.back().first, 1, def, current);
    c.type = ControlType::Menu;
    for (const auto& [value, text] : items) c.menu.push_back({value, text});
    return c;
}

ControlInfo Button(uint32_t id, const char* name) {
    ControlInfo c = Integer(id, name, 0, 0, 0, 0, 0);
    c.type = ControlType::Button;
    return c;
}

QString Named(const char* kind, uint32_t id) {
    return QStringLiteral("%1:%2").arg(QLatin1String(kind)).arg(id);
}

HRESULT RunFrame(const std::function<void(PropertyFrame&)>& hook, HWND owner, UINT x, UINT y,
                 const wchar_t* caption, std::vector<IUnknown*> objects, std::vector<CLSID> pages,
                 bool* shown) {
    bool ran = false;
    PropertyFrame::setShownHook([&](PropertyFrame& frame) {
        ran = true;
        hook(frame);
        // A hook that forgot to close the frame must not hang the test.
        if (frame.isVisible()) {
            ADD_FAILURE() << "the hook left the frame open";
            frame.cancel();
        }
    });
    const HRESULT hr =
        OleCreatePropertyFrame(owner, x, y, caption, ULONG(objects.size()), objects.data(),
                               ULONG(pages.size()), pages.data(), 0, 0, nullptr);
    PropertyFrame::setShownHook(nullptr);
    if (shown) *shown = ran;
    if (!shown && !ran) ADD_FAILURE() << "no frame was shown";
    return hr;
}

ComPtr<CaptureSourceFilter> VirtualSource(VirtualCamera* camera) {
    GstElement* element = VirtualCamera::createElement({});
    if (camera) *camera = VirtualCamera::fromElement(element);
    auto all = GstHandle<GstCaps>::adopt(VirtualCamera::allCaps());
    return ComPtr<CaptureSourceFilter>::adopt(new CaptureSourceFilter(
        element, V4l2Formats::fromCaps(all.get()), CaptureSourceFilter::Options{}));
}

ComPtr<CaptureSourceFilter> SourceWithFormats(const char* caps) {
    return ComPtr<CaptureSourceFilter>::adopt(
        new CaptureSourceFilter(gst_element_factory_make("videotestsrc", nullptr),
                                V4l2Formats::fromCapsString(caps), CaptureSourceFilter::Options{}));
}

ULONG RefCountOf(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

}  // namespace pagestest
