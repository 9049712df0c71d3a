#include "media/devices/DeviceNotices.h"

#include "media/devices/DeviceMonitor.h"

bool RegisterDeviceNotification(HWND window) {
    auto& monitor = lumi::devices::DeviceMonitor::instance();
    if (!monitor.start()) return false;
    monitor.registerWindow(window);
    return true;
}

void UnregisterDeviceNotification(HWND window) {
    lumi::devices::DeviceMonitor::instance().unregisterWindow(window);
}
