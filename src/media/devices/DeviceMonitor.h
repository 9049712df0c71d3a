// The video input devices: one GstDeviceMonitor on "Video/Source", which sees real cameras
// (v4l2) and virtual ones (the in-process provider) alike.
//
// Notices: every device added after start() is posted to each registered window as
// PostMessage(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL (0x8000), 0), every device removed
// as DBT_DEVICEREMOVECOMPLETE (0x8004), once each and in the order they happened. Devices
// already present at start() give no notice (the provider's "added" messages for its
// start-up list are recognised and dropped). The monitor's bus is watched in the GLib main
// context of the thread that called start() (Qt's event loop on Linux is GLib's), so notices
// are handled there; the windows receive them on their own thread.
//
// Threads: start(), stop() and the window registration on the thread that runs the event
// loop (the UI thread); devices() from any thread.
#pragma once

#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <gst/gst.h>

#include <memory>
#include <string>
#include <vector>

namespace lumi::devices {

// The property of a device's properties that marks a virtual camera.
inline constexpr const char* kVirtualDeviceProperty = "lumivisor.virtual";

struct DeviceInfo {
    std::string name;        // the device's display name: the "FriendlyName"
    bool isVirtual = false;  // a VirtualCameraProvider camera
    std::string devicePath;  // the v4l2 device node ("/dev/video0") for a real camera, else ""
    // The same camera plugged in again has the same identity: "v4l2:" and its USB bus path
    // (else its serial, else its node) for a real camera, "virtual:" and its name else.
    std::string identity;
    GstHandle<GstCaps> caps;  // the formats it offers (V4l2Formats::fromCaps reads them)
    GstHandle<GstDevice> device;

    // A new source element for the device (floating reference); nullptr on failure.
    GstElement* createElement(const char* elementName = nullptr) const;
};

class DeviceMonitor {
public:
    DeviceMonitor();
    ~DeviceMonitor();  // stops the monitor
    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;

    // The process's monitor (created on first use, never started by this call).
    static DeviceMonitor& instance();

    // Starts monitoring (the virtual camera provider is registered at the program's start, so
    // its cameras are seen too). True when running
    // (also when it already ran).
    bool start();
    void stop();
    bool isRunning() const;

    // The devices now present, in the monitor's order. Empty when not running.
    std::vector<DeviceInfo> devices() const;

    // Windows that receive the device notices (RegisterDeviceNotification). A window that is
    // destroyed is dropped by itself.
    void registerWindow(HWND window);
    void unregisterWindow(HWND window);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace lumi::devices
