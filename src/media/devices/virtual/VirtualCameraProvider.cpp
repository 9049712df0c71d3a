#include "media/devices/virtual/VirtualCameraProvider.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace lumi::devices {
namespace {

struct CameraEntry {
    std::string name;
    VirtualCamera::Options options;  // its fault switch shared by every element made for it
};

// The process-wide camera list and the running providers with the devices each announced.
// Lock order: this mutex may be taken while GStreamer holds a provider's start lock (start()
// and stop() run under it), so nothing below calls into GStreamer functions that take that
// lock (gst_device_provider_get_devices) while holding it.
struct Registry {
    std::mutex mutex;
    std::vector<CameraEntry> cameras;
    std::map<GstDeviceProvider*, std::vector<std::pair<std::string, GstHandle<GstDevice>>>> running;
};

Registry& registry() {
    static Registry* r = new Registry;  // lives to the end of the process, after any provider
    return *r;
}

// ---- the device: create_element gives a virtual camera ----

struct LumiVirtualCameraDevice {
    GstDevice parent;
    gboolean stillPin;
};
struct LumiVirtualCameraDeviceClass {
    GstDeviceClass parent_class;
};

GstElement* deviceCreateElement(GstDevice* device, const gchar* name) {
    VirtualCamera::Options options;
    options.stillPin = reinterpret_cast<LumiVirtualCameraDevice*>(device)->stillPin;
    gchar* displayName = gst_device_get_display_name(device);
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (const CameraEntry& c : r.cameras)
            if (displayName && c.name == displayName) options.fault = c.options.fault;
    }
    g_free(displayName);
    return VirtualCamera::createElement(options, name);
}

GType lumi_virtual_camera_device_get_type();
G_DEFINE_TYPE(LumiVirtualCameraDevice, lumi_virtual_camera_device, GST_TYPE_DEVICE)

void lumi_virtual_camera_device_class_init(LumiVirtualCameraDeviceClass* klass) {
    GST_DEVICE_CLASS(klass)->create_element = deviceCreateElement;
}

void lumi_virtual_camera_device_init(LumiVirtualCameraDevice*) {}

// A new device (floating) for the camera.
GstDevice* makeDevice(const CameraEntry& camera) {
    GstCaps* caps = VirtualCamera::allCaps();
    GstStructure* props = gst_structure_new(
        "lumivisor-virtual-camera", VirtualCameraProvider::kVirtualProperty, G_TYPE_BOOLEAN, TRUE,
        VirtualCameraProvider::kStillPinProperty, G_TYPE_BOOLEAN, gboolean(camera.options.stillPin),
        "device.api", G_TYPE_STRING, "virtual", nullptr);
    auto* device = static_cast<LumiVirtualCameraDevice*>(
        g_object_new(lumi_virtual_camera_device_get_type(), "display-name", camera.name.c_str(),
                     "device-class", "Video/Source", "caps", caps, "properties", props, nullptr));
    device->stillPin = camera.options.stillPin;
    gst_caps_unref(caps);
    gst_structure_free(props);
    return GST_DEVICE(device);
}

// Announces a camera to one running provider; the registry mutex is held.
void announce(GstDeviceProvider* provider, const CameraEntry& camera,
              std::vector<std::pair<std::string, GstHandle<GstDevice>>>& announced) {
    GstDevice* device = makeDevice(camera);
    gst_object_ref_sink(device);
    announced.emplace_back(camera.name, GstHandle<GstDevice>::adopt(device));
    gst_device_provider_device_add(provider, device);
}

// ---- the provider ----

struct LumiVirtualCameraProvider {
    GstDeviceProvider parent;
};
struct LumiVirtualCameraProviderClass {
    GstDeviceProviderClass parent_class;
};

GList* providerProbe(GstDeviceProvider*) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    GList* list = nullptr;
    for (const CameraEntry& c : r.cameras)
        list = g_list_append(list, gst_object_ref_sink(makeDevice(c)));
    return list;
}

// Runs under the provider's start lock. Devices added here reach the monitor's start-up
// list and its bus as "added" messages as well; DeviceMonitor drops the duplicates.
gboolean providerStart(GstDeviceProvider* provider) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto& announced = r.running[provider];
    announced.clear();
    for (const CameraEntry& c : r.cameras) announce(provider, c, announced);
    return TRUE;
}

// Runs under the provider's start lock: must not call gst_device_provider_get_devices(). The
// base class drops the provider's devices after this returns.
void providerStop(GstDeviceProvider* provider) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.running.erase(provider);
}

GType lumi_virtual_camera_provider_get_type();
G_DEFINE_TYPE(LumiVirtualCameraProvider, lumi_virtual_camera_provider, GST_TYPE_DEVICE_PROVIDER)

void lumi_virtual_camera_provider_class_init(LumiVirtualCameraProviderClass* klass) {
    auto* k = GST_DEVICE_PROVIDER_CLASS(klass);
    k->probe = providerProbe;
    k->start = providerStart;
    k->stop = providerStop;
    gst_device_provider_class_set_static_metadata(k, "Virtual camera provider", "Video/Source",
                                                  "Lists the simulated cameras of this process",
                                                  "Lumivisor");
}

void lumi_virtual_camera_provider_init(LumiVirtualCameraProvider*) {}

bool taken(const Registry& r, const std::string& name) {
    return std::any_of(r.cameras.begin(), r.cameras.end(),
                       [&](const CameraEntry& c) { return c.name == name; });
}

std::string numberedName(int k) {
    return "Virtual Camera " + std::to_string(k);
}

}  // namespace

void VirtualCameraProvider::registerProvider() {
    static std::once_flag once;
    std::call_once(once, [] {
        VirtualCamera::registerElements();
        // Ranked above the v4l2 provider, so a monitor lists the virtual cameras first and
        // real cameras last.
        gst_device_provider_register(nullptr, "lumivirtualcameraprovider", GST_RANK_PRIMARY + 1,
                                     lumi_virtual_camera_provider_get_type());
    });
}

std::string VirtualCameraProvider::addCamera(const std::string& name,
                                             const VirtualCamera::Options& options) {
    registerProvider();
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    CameraEntry entry{name, options};
    if (!entry.options.fault)
        entry.options.fault =
            std::make_shared<std::atomic<VirtualCameraFault>>(VirtualCameraFault::None);
    if (entry.name.empty()) {
        int k = 1;
        while (taken(r, numberedName(k))) ++k;
        entry.name = numberedName(k);
    } else if (taken(r, entry.name)) {
        return {};
    }
    r.cameras.push_back(entry);
    for (auto& [provider, announced] : r.running) announce(provider, entry, announced);
    return entry.name;
}

bool VirtualCameraProvider::removeCamera(const std::string& name) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = std::find_if(r.cameras.begin(), r.cameras.end(),
                           [&](const CameraEntry& c) { return c.name == name; });
    if (it == r.cameras.end()) return false;
    r.cameras.erase(it);
    for (auto& [provider, announced] : r.running) {
        auto dev = std::find_if(announced.begin(), announced.end(),
                                [&](const auto& a) { return a.first == name; });
        if (dev == announced.end()) continue;
        GstHandle<GstDevice> device = std::move(dev->second);
        announced.erase(dev);
        gst_device_provider_device_remove(provider, device.get());
    }
    return true;
}

bool VirtualCameraProvider::setFault(const std::string& name, VirtualCameraFault fault) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const CameraEntry& c : r.cameras) {
        if (c.name != name) continue;
        c.options.fault->store(fault);
        return true;
    }
    return false;
}

void VirtualCameraProvider::removeAll() {
    for (const std::string& name : cameras()) removeCamera(name);
}

void VirtualCameraProvider::addNumberedCameras(int count) {
    for (int k = 1; k <= count; ++k) {
        bool present;
        {
            Registry& r = registry();
            std::lock_guard lock(r.mutex);
            present = taken(r, numberedName(k));
        }
        if (!present) addCamera(numberedName(k));
    }
}

std::vector<std::string> VirtualCameraProvider::cameras() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::vector<std::string> names;
    for (const CameraEntry& c : r.cameras) names.push_back(c.name);
    return names;
}

}  // namespace lumi::devices
