#include "media/source/DeviceMoniker.h"

#include <QString>

#include "media/source/CaptureSourceFilter.h"

namespace {

std::wstring Wide(const std::string& text) {
    return QString::fromStdString(text).toStdWString();
}

}  // namespace

HRESULT DeviceMoniker::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMoniker) return ComHandOut<IMoniker>(this, object);
    if (riid == IID_IPropertyBag) return ComHandOut<IPropertyBag>(this, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT DeviceMoniker::BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    ComPtr<CaptureSourceFilter> filter = CaptureSourceFilter::fromDevice(device_);
    if (!filter || !filter->bin()) return MK_E_NOOBJECT;
    return filter->QueryInterface(riid, object);
}

HRESULT DeviceMoniker::BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IPropertyBag) return ComHandOut<IPropertyBag>(this, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT DeviceMoniker::GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) {
    if (!name) return E_POINTER;
    *name = CoTaskMemDupString(Wide(device_.identity).c_str());
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT DeviceMoniker::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value) return E_POINTER;
    if (value->vt != VT_EMPTY && value->vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
    const std::wstring key = name;
    std::string text;
    if (key == L"FriendlyName")
        text = device_.name;
    else if (key == L"DevicePath" && !device_.devicePath.empty())
        text = device_.devicePath;
    else
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    const BSTR result = SysAllocString(Wide(text).c_str());
    if (!result) return E_OUTOFMEMORY;
    value->vt = VT_BSTR;
    value->bstrVal = result;
    return S_OK;
}
