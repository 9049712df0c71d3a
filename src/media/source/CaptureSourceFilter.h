// The capture source filter of a camera (v4l2src or a virtual camera): a "Capture" output
// (PIN_CATEGORY_CAPTURE), a "Preview" output where the device has one, and a "Still"
// output where it has a still pin. The capture output offers IAMStreamConfig (the device's
// formats, one at a time); the filter offers ISpecifyPropertyPages (the image and camera
// control pages, for the groups its controls fall in), ICameraControls (those controls, for
// the pages) and, with a virtual camera's still pin, IAMVideoControl whose software trigger
// makes the device send one still. A v4l2 camera's still pin is fed by its snapshot button
// (CameraButtonStill) and has no software trigger.
// An output that is not connected drops what the device sends on it.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "media/com/ComPtr.h"
#include "media/devices/CameraButtonStill.h"
#include "media/graph/GstFilter.h"
#include "media/source/CameraSettings.h"
#include "media/source/CaptureStreamConfig.h"
// Device headers after the layer's (GLib's TRUE/FALSE macros).
#include "media/devices/DeviceMonitor.h"
#include "media/devices/V4l2Device.h"
#include "media/devices/V4l2Formats.h"
#include "media/devices/virtual/VirtualCamera.h"

class CaptureSourceFilter final : public GstFilter,
                                  public ISpecifyPropertyPages,
                                  public IAMVideoControl,
                                  public ICameraControls {
public:
    struct Options {
        bool previewPin = false;
        bool stillPin = false;
        std::string devicePath;  // the v4l2 node, for the controls
        // An open input device of the camera's snapshot button (taken over, also when the
        // filter cannot use it): its presses feed a "Still" output. -1: none.
        int buttonFd = -1;
    };

    // A filter for the device; null when its element cannot be made.
    static ComPtr<CaptureSourceFilter> fromDevice(const lumi::devices::DeviceInfo& device);
    // A filter over a source element with ghost pads "src" (and "still" with a still pin);
    // takes the element's (floating) reference. Formats in the device's order of preference.
    CaptureSourceFilter(GstElement* source, std::vector<lumi::devices::V4l2Format> formats,
                        const Options& options);

    HRESULT QueryInterface(REFIID riid, void** object) override {
        return GstFilter::QueryInterface(riid, object);
    }
    ULONG AddRef() override { return GstFilter::AddRef(); }
    ULONG Release() override { return GstFilter::Release(); }

    // ISpecifyPropertyPages
    HRESULT GetPages(CAUUID* pages) override;

    // IAMVideoControl (offered only with a still pin)
    HRESULT SetMode(IPin* pin, LONG mode) override;

    // ICameraControls (offered when the device's controls can be reached)
    HRESULT GetControls(std::vector<lumi::devices::ControlInfo>* controls) override;
    HRESULT GetValue(ULONG id, LONG* value) override;
    HRESULT SetValue(ULONG id, LONG value) override;

    HRESULT queryPinInterface(GraphPin& pin, REFIID riid, void** object) override;

    // The formats, one per entry of the device's list, at their highest rate.
    const std::vector<lumi::devices::V4l2Format>& formats() const { return formats_; }
    lumi::devices::VideoFormat currentFormat() const;
    // Applies one of the offered formats (size and rate checked); the outputs carry it from
    // the next connection on. VFW_E_NOT_STOPPED while streaming, VFW_E_INVALIDMEDIATYPE for a
    // format the device does not offer.
    HRESULT setFormat(const lumi::devices::VideoFormat& format);
    // The device's image controls (brightness, contrast, ...); null when there are none.
    lumi::devices::ControlAccess* controls();
    bool hasStillPin() const { return stillPin_ != nullptr; }
    // True once the device's capture stream has its format (the device accepted it).
    bool formatSettled() const override;
    GstElement* sourceElement() const { return source_; }

protected:
    HRESULT queryFilterInterface(REFIID riid, void** object) override;

private:
    GraphPin* addOutput(GstPad* sourcePad, GstElement* formatFilter,
                        const std::vector<std::pair<std::wstring, GUID>>& pins);

    GstElement* source_ = nullptr;
    GstElement* captureFormat_ = nullptr;
    GstElement* stillFormat_ = nullptr;
    GraphPin* capturePin_ = nullptr;
    GraphPin* stillPin_ = nullptr;
    std::vector<lumi::devices::V4l2Format> formats_;
    lumi::devices::VideoFormat current_;
    std::string devicePath_;
    lumi::devices::VirtualCamera camera_;  // valid for a virtual camera
    std::unique_ptr<lumi::devices::V4l2Device> v4l2_;
    std::unique_ptr<lumi::devices::CameraButtonStill> buttonStill_;
    CaptureStreamConfig streamConfig_;
    mutable std::mutex mutex_;
};
