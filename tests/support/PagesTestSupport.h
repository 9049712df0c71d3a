// Shared pieces of the page tests: a camera whose controls are given as data.
#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "media/com/ComPtr.h"
#include "media/pages/PropertyFrame.h"
#include "media/source/CameraSettings.h"
#include "media/source/CaptureSourceFilter.h"

namespace pagestest {

using lumi::devices::ControlInfo;

class DataCamera final : public ICameraControls {
public:
    explicit DataCamera(std::vector<ControlInfo> controls) : controls_(std::move(controls)) {}

    HRESULT QueryInterface(REFIID riid, void** object) override;
    LUMI_IMPLEMENT_REFCOUNT

    HRESULT GetControls(std::vector<ControlInfo>* controls) override;
    HRESULT GetValue(ULONG id, LONG* value) override;
    HRESULT SetValue(ULONG id, LONG value) override;

    // manual is refused while automatic mode autoId holds one of autoValues.
    void lock(uint32_t manual, uint32_t autoId, std::set<int32_t> autoValues) {
        locks_[manual] = {autoId, std::move(autoValues)};
    }
    int32_t value(uint32_t id) const;
    // Every accepted write, in order.
    std::vector<std::pair<uint32_t, int32_t>> writes;
    int refused = 0;

private:
    ControlInfo* find(uint32_t id);
    std::vector<ControlInfo> controls_;
    std::map<uint32_t, std::pair<uint32_t, std::set<int32_t>>> locks_;
    RefCount refs_;
};

// Descriptions as a V4L2 driver gives them.
ControlInfo Integer(uint32_t id, const char* name, int32_t min, int32_t max, int32_t step,
                    int32_t def, int32_t current);
ControlInfo Boolean(uint32_t id, const char* name, bool def, bool current);
ControlInfo Menu(uint32_t id, const char* name, std::vector<std::pair<int32_t, const char*>> items,
                 int32_t def, int32_t current);
ControlInfo Button(uint32_t id, const char* name);

// The child of root with the object name, or null.
template <typename T>
T* Find(QWidget* root, const QString& name) {
    return root ? root->findChild<T*>(name) : nullptr;
}
// "kind:id", a control widget's object name.
QString Named(const char* kind, uint32_t id);

// Runs OleCreatePropertyFrame with the hook, which must close it; *shown tells if it showed.
HRESULT RunFrame(const std::function<void(lumi::pages::PropertyFrame&)>& hook, HWND owner, UINT x,
                 UINT y, const wchar_t* caption, std::vector<IUnknown*> objects,
                 std::vector<CLSID> pages, bool* shown = nullptr);

// A capture source over a new virtual camera (stopped), as the device enumerator binds it.
ComPtr<CaptureSourceFilter> VirtualSource(lumi::devices::VirtualCamera* camera = nullptr);
// A capture source over a test source whose formats are the V4L2-like caps given.
ComPtr<CaptureSourceFilter> SourceWithFormats(const char* caps);

// The reference count of an object (by AddRef and Release).
ULONG RefCountOf(IUnknown* object);

}  // namespace pagestest
