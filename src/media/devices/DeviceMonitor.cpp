#include "media/devices/DeviceMonitor.h"

#include <QObject>
#include <QPointer>

#include <algorithm>
#include <mutex>

#include "platform/Logging.h"
#include "platform/WindowMessage.h"

namespace lumi::devices {

GstElement* DeviceInfo::createElement(const char* elementName) const {
    return device ? gst_device_create_element(device.get(), elementName) : nullptr;
}

namespace {

void LogDevice(const char* what, GstDevice* device) {
    if (!lcDevices().isInfoEnabled()) return;
    gchar* name = gst_device_get_display_name(device);
    qCInfo(lcDevices, "camera %s: %s", what, name ? name : "");
    g_free(name);
}

}  // namespace

struct DeviceMonitor::Impl {
    mutable std::mutex mutex;  // guards monitor (devices() may run on any thread)
    GstHandle<GstDeviceMonitor> monitor;
    guint watch = 0;
    // Devices of the start-up list whose "added" message has not been seen yet.
    std::vector<GstHandle<GstDevice>> startupPending;
    std::vector<QPointer<QObject>> windows;

    void notify(WPARAM code) {
        std::erase_if(windows, [](const QPointer<QObject>& w) { return w.isNull(); });
        for (const QPointer<QObject>& w : windows) PostMessage(w.data(), WM_DEVICECHANGE, code, 0);
    }

    // True when the device is one of the start-up list (and forgets it: one message each).
    bool takeStartup(GstDevice* device) {
        auto it = std::find_if(startupPending.begin(), startupPending.end(),
                               [&](const GstHandle<GstDevice>& d) { return d.get() == device; });
        if (it == startupPending.end()) return false;
        startupPending.erase(it);
        return true;
    }

    static gboolean onBusMessage(GstBus*, GstMessage* message, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        GstDevice* device = nullptr;
        switch (GST_MESSAGE_TYPE(message)) {
            case GST_MESSAGE_DEVICE_ADDED: {
                gst_message_parse_device_added(message, &device);
                auto owned = GstHandle<GstDevice>::adopt(device);
                if (self->takeStartup(device)) break;
                LogDevice("added", device);
                self->notify(DBT_DEVICEARRIVAL);
                break;
            }
            case GST_MESSAGE_DEVICE_REMOVED: {
                gst_message_parse_device_removed(message, &device);
                auto owned = GstHandle<GstDevice>::adopt(device);
                self->takeStartup(device);
                LogDevice("removed", device);
                self->notify(DBT_DEVICEREMOVECOMPLETE);
                break;
            }
            default:
                break;
        }
        return G_SOURCE_CONTINUE;
    }
};

DeviceMonitor::DeviceMonitor() : d_(std::make_unique<Impl>()) {}

DeviceMonitor::~DeviceMonitor() {
    stop();
}

DeviceMonitor& DeviceMonitor::instance() {
    static DeviceMonitor* monitor = new DeviceMonitor;  // outlives every static user
    return *monitor;
}

bool DeviceMonitor::start() {
    if (isRunning()) return true;
    GstDeviceMonitor* created = gst_device_monitor_new();
    if (g_object_is_floating(created)) gst_object_ref_sink(created);
    auto monitor = GstHandle<GstDeviceMonitor>::adopt(created);
    gst_device_monitor_add_filter(monitor.get(), "Video/Source", nullptr);
    auto bus = GstHandle<GstBus>::adopt(gst_device_monitor_get_bus(monitor.get()));
    // Watched in the calling thread's main context: Qt's event loop runs it.
    d_->watch = gst_bus_add_watch(bus.get(), &Impl::onBusMessage, d_.get());
    if (!gst_device_monitor_start(monitor.get())) {
        g_source_remove(d_->watch);
        d_->watch = 0;
        return false;
    }
    d_->startupPending.clear();
    GList* list = gst_device_monitor_get_devices(monitor.get());
    for (GList* l = list; l; l = l->next)
        d_->startupPending.push_back(GstHandle<GstDevice>::adopt(static_cast<GstDevice*>(l->data)));
    g_list_free(list);
    std::lock_guard lock(d_->mutex);
    d_->monitor = std::move(monitor);
    return true;
}

void DeviceMonitor::stop() {
    GstHandle<GstDeviceMonitor> monitor;
    {
        std::lock_guard lock(d_->mutex);
        monitor = std::move(d_->monitor);
    }
    if (!monitor) return;
    if (d_->watch) g_source_remove(d_->watch);
    d_->watch = 0;
    gst_device_monitor_stop(monitor.get());
    d_->startupPending.clear();
}

bool DeviceMonitor::isRunning() const {
    std::lock_guard lock(d_->mutex);
    return bool(d_->monitor);
}

std::vector<DeviceInfo> DeviceMonitor::devices() const {
    GstHandle<GstDeviceMonitor> monitor;
    {
        std::lock_guard lock(d_->mutex);
        monitor = d_->monitor;
    }
    std::vector<DeviceInfo> out;
    if (!monitor) return out;
    GList* list = gst_device_monitor_get_devices(monitor.get());
    for (GList* l = list; l; l = l->next) {
        DeviceInfo info;
        info.device = GstHandle<GstDevice>::adopt(static_cast<GstDevice*>(l->data));
        gchar* name = gst_device_get_display_name(info.device.get());
        info.name = name ? name : "";
        g_free(name);
        info.caps = GstHandle<GstCaps>::adopt(gst_device_get_caps(info.device.get()));
        if (GstStructure* props = gst_device_get_properties(info.device.get())) {
            gboolean isVirtual = FALSE;
            info.isVirtual =
                gst_structure_get_boolean(props, kVirtualDeviceProperty, &isVirtual) && isVirtual;
            if (!info.isVirtual) {
                const char* path = gst_structure_get_string(props, "api.v4l2.path");
                if (!path) path = gst_structure_get_string(props, "device.path");
                if (path) info.devicePath = path;
                const char* id = gst_structure_get_string(props, "device.bus_path");
                if (!id || !*id) id = gst_structure_get_string(props, "device.serial");
                info.identity = "v4l2:" + std::string(id && *id ? id : info.devicePath);
            }
            gst_structure_free(props);
        }
        if (info.isVirtual) info.identity = "virtual:" + info.name;
        out.push_back(std::move(info));
    }
    g_list_free(list);
    return out;
}

void DeviceMonitor::registerWindow(HWND window) {
    if (!window) return;
    for (const QPointer<QObject>& w : d_->windows)
        if (w.data() == window) return;
    d_->windows.emplace_back(window);
}

void DeviceMonitor::unregisterWindow(HWND window) {
    std::erase_if(d_->windows,
                  [&](const QPointer<QObject>& w) { return w.isNull() || w.data() == window; });
}

}  // namespace lumi::devices
