// The virtual camera's source element ("lumivirtualcamsrc"): one output of a camera, the
// capture stream or the still output, drawing the pattern in the format negotiated, with the
// camera's faults.
#pragma once

#include <memory>

#include "media/devices/virtual/VirtualCameraState.h"

namespace lumi::devices {

// A new output element (floating reference) named name, sharing state with the camera's
// other output.
GstElement* CreateVirtualCameraOutput(const char* name, bool still,
                                      const std::shared_ptr<VirtualCameraState>& state);
// The element's type (registered on first use).
GType VirtualCameraSourceType();

}  // namespace lumi::devices
