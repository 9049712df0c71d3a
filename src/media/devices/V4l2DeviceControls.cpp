#include "media/devices/V4l2DeviceControls.h"

namespace lumi::devices {

ControlGroup controlGroupOf(uint32_t id) {
    constexpr uint32_t kClassMask = 0x0fff0000;
    constexpr uint32_t kUserClass = 0x00980000;
    constexpr uint32_t kCameraClass = 0x009a0000;
    constexpr uint32_t kClassControl = 1;  // the class's own heading "control", never a value
    if ((id & 0xffff) == kClassControl) return ControlGroup::Other;
    if (id == cid::kExposure) return ControlGroup::Camera;
    switch (id & kClassMask) {
        case kUserClass:
            return ControlGroup::Image;
        case kCameraClass:
            return ControlGroup::Camera;
        default:
            return ControlGroup::Other;
    }
}

}  // namespace lumi::devices
