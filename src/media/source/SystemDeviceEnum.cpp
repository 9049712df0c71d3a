#include "media/source/SystemDeviceEnum.h"

#include "media/com/ComEnumerator.h"
#include "media/source/DeviceMoniker.h"

HRESULT SystemDeviceEnum::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ICreateDevEnum)
        return ComHandOut<ICreateDevEnum>(this, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT SystemDeviceEnum::CreateClassEnumerator(REFCLSID category, IEnumMoniker** monikers, DWORD) {
    if (!monikers) return E_POINTER;
    *monikers = nullptr;
    if (!(category == CLSID_VideoInputDeviceCategory)) return S_FALSE;
    auto& monitor = lumi::devices::DeviceMonitor::instance();
    if (!monitor.isRunning() && !monitor.start()) return E_FAIL;
    std::vector<ComPtr<IMoniker>> items;
    for (auto& device : monitor.devices())
        items.push_back(ComPtr<IMoniker>::adopt(new DeviceMoniker(std::move(device))));
    if (items.empty()) return S_FALSE;
    return ComEnumerator<IEnumMoniker, IMoniker>::create(IID_IEnumMoniker, std::move(items),
                                                         monikers);
}
