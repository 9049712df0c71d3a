// The moniker of one video input device, and its property bag.
#pragma once

#include "media/com/DShow.h"
// Device headers after the layer's (GLib's TRUE/FALSE macros).
#include "media/devices/DeviceMonitor.h"

class DeviceMoniker final : public IMoniker, public IPropertyBag {
public:
    explicit DeviceMoniker(lumi::devices::DeviceInfo device) : device_(std::move(device)) {}

    HRESULT QueryInterface(REFIID riid, void** object) override;
    LUMI_IMPLEMENT_REFCOUNT

    // IID_IBaseFilter: a new capture source filter for the device.
    HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID riid, void** object) override;
    // IID_IPropertyBag: this moniker's bag.
    HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID riid, void** object) override;
    // The device's identity (DeviceInfo::identity): the same for the same camera plugged again.
    HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) override;

    // IPropertyBag: "FriendlyName", "DevicePath" as VT_BSTR; read-only.
    HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;

private:
    RefCount refs_;
    lumi::devices::DeviceInfo device_;
};
