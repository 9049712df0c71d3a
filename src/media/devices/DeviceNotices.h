// The window's way to the device notices, without GStreamer: WM_DEVICECHANGE with
// DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE posted to each registered window, as the
// device monitor describes.
#pragma once

#include "platform/WinTypes.h"

// Starts the process's device monitor where it does not run and registers window for its
// notices. False (nothing registered) when no monitor can run.
bool RegisterDeviceNotification(HWND window);
// Stops the notices to window.
void UnregisterDeviceNotification(HWND window);
