// The system device enumerator: the video input category lists the devices of the
// process's DeviceMonitor (started here if it is not running yet), in the monitor's order.
// Each moniker reads "FriendlyName" (and "DevicePath" for a v4l2 camera) from its property
// bag and binds to a CaptureSourceFilter.
#pragma once

#include "media/com/DShow.h"

class SystemDeviceEnum final : public ICreateDevEnum {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override;
    LUMI_IMPLEMENT_REFCOUNT

    // S_FALSE and no enumerator for an empty category or one other than
    // CLSID_VideoInputDeviceCategory.
    HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** monikers, DWORD flags) override;

private:
    RefCount refs_;
};
