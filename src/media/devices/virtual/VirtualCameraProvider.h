// The in-process device provider of virtual cameras (factory "lumivirtualcameraprovider",
// device class "Video/Source"), so that one GstDeviceMonitor on "Video/Source" sees virtual
// and real (v4l2) cameras alike, hot-plug included.
//
// The cameras live in a process-wide list. Each is a GstDevice with
//   display name  the camera's name ("Virtual Camera 1", ...)
//   class         "Video/Source"
//   caps          VirtualCamera::allCaps()
//   properties    "lumivisor.virtual" = TRUE, "lumivisor.still-pin" = its option,
//                 "device.api" = "virtual"
// and gst_device_create_element() gives a VirtualCamera element. Adding or removing a camera
// while a monitor runs posts GST_MESSAGE_DEVICE_ADDED / _REMOVED on its bus.
//
// Threads: every function may be called from any thread.
#pragma once

#include <string>
#include <vector>

#include "media/devices/DeviceMonitor.h"
#include "media/devices/virtual/VirtualCamera.h"

namespace lumi::devices {

class VirtualCameraProvider {
public:
    static constexpr const char* kVirtualProperty = kVirtualDeviceProperty;
    static constexpr const char* kStillPinProperty = "lumivisor.still-pin";

    // Registers the provider factory and the camera elements in this process (initialising
    // GStreamer if needed). Idempotent. Must run before a device monitor is started to see
    // virtual cameras; RegisterMediaClasses() calls it.
    static void registerProvider();

    // Adds a camera. An empty name takes "Virtual Camera k" with the smallest k >= 1 not in
    // use. Returns the camera's name; empty (nothing added) when the name is already taken.
    static std::string addCamera(const std::string& name = {},
                                 const VirtualCamera::Options& options = {});
    // Removes the camera of that name; false when there is none.
    static bool removeCamera(const std::string& name);
    // The fault of the camera of that name, for its elements made so far and from now on
    // (VirtualCameraFault.h); false when there is no such camera.
    static bool setFault(const std::string& name, VirtualCameraFault fault);
    // Removes every camera.
    static void removeAll();
    // For `--virtual-cameras N`: adds "Virtual Camera 1" .. "Virtual Camera N" (without still
    // pin) that are not already there. N <= 0 adds nothing.
    static void addNumberedCameras(int count);
    // The names in the order they were added.
    static std::vector<std::string> cameras();
};

}  // namespace lumi::devices
