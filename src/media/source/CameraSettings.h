// What a capture source offers its settings pages beyond the platform's interfaces: its
// controls (on the filter) and the frame rates of each stream capability (on the capture
// output's IAMStreamConfig). Both are in-process interfaces of this layer.
#pragma once

#include <vector>

#include "media/com/DShow.h"
#include "media/devices/V4l2DeviceControls.h"

struct ICameraControls : IUnknown {
    // The device's controls with their current values, in the device's order.
    virtual HRESULT GetControls(std::vector<lumi::devices::ControlInfo>* controls) = 0;
    // E_PROP_ID_UNSUPPORTED for an unknown control or one that cannot be read.
    virtual HRESULT GetValue(ULONG id, LONG* value) = 0;
    // Takes effect at once; E_INVALIDARG for a value the device refuses (nothing changes).
    virtual HRESULT SetValue(ULONG id, LONG value) = 0;
};

struct IAMStreamFrameRates : IUnknown {
    // The frame intervals (100 ns) the device offers for capability index (as in
    // GetStreamCaps), shortest first; for a continuous range its two ends. The array comes
    // from CoTaskMemAlloc and is freed by the caller. S_FALSE past the last capability.
    virtual HRESULT GetFrameRateList(int index, LONG* count, REFERENCE_TIME** intervals) = 0;
};

#define LUMI_SETTINGS_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
LUMI_SETTINGS_GUID(IID_ICameraControls, 0xCAA51FEE, 0x7EC0, 0x4D2E, 0x99, 0xA0, 0x27, 0x2A, 0xDC,
                   0x92, 0x74, 0x2B);
LUMI_SETTINGS_GUID(IID_IAMStreamFrameRates, 0x147A1768, 0xF7B1, 0x47EC, 0xBB, 0x59, 0x7B, 0xB8,
                   0x36, 0xFA, 0x63, 0x32);
#undef LUMI_SETTINGS_GUID
