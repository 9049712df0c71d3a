// The description of a camera control, shared by real (V4L2) cameras and virtual ones, so
// that one settings page serves both. Ids are V4L2 control ids on every platform: the
// virtual camera offers its controls under the ids a UVC camera's driver uses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumi::devices {

// V4L2 control ids (the kernel's values; spelled out so this header needs no Linux header).
namespace cid {
inline constexpr uint32_t kUserClassBase = 0x00980900;
inline constexpr uint32_t kBrightness = kUserClassBase + 0;
inline constexpr uint32_t kContrast = kUserClassBase + 1;
inline constexpr uint32_t kSaturation = kUserClassBase + 2;
inline constexpr uint32_t kHue = kUserClassBase + 3;
inline constexpr uint32_t kAutoWhiteBalance = kUserClassBase + 12;
inline constexpr uint32_t kGamma = kUserClassBase + 16;
inline constexpr uint32_t kExposure = kUserClassBase + 17;
inline constexpr uint32_t kGain = kUserClassBase + 19;
inline constexpr uint32_t kPowerLineFrequency = kUserClassBase + 24;
inline constexpr uint32_t kWhiteBalanceTemperature = kUserClassBase + 26;
inline constexpr uint32_t kSharpness = kUserClassBase + 27;
inline constexpr uint32_t kBacklightCompensation = kUserClassBase + 28;
inline constexpr uint32_t kCameraClassBase = 0x009a0900;
inline constexpr uint32_t kExposureAuto = kCameraClassBase + 1;
inline constexpr uint32_t kExposureAbsolute = kCameraClassBase + 2;
inline constexpr uint32_t kExposureAutoPriority = kCameraClassBase + 3;
inline constexpr uint32_t kPanAbsolute = kCameraClassBase + 8;
inline constexpr uint32_t kTiltAbsolute = kCameraClassBase + 9;
inline constexpr uint32_t kFocusAbsolute = kCameraClassBase + 10;
inline constexpr uint32_t kFocusAuto = kCameraClassBase + 12;
inline constexpr uint32_t kZoomAbsolute = kCameraClassBase + 13;
inline constexpr uint32_t kIrisAbsolute = kCameraClassBase + 17;
}  // namespace cid

// Which settings page a control belongs on: picture (image) adjustments or camera
// (optics and exposure) controls. Other controls (codec, private classes) go on neither.
enum class ControlGroup { Image, Camera, Other };

enum class ControlType { Integer, Boolean, Menu, Button, Other };

struct ControlMenuItem {
    int32_t value = 0;
    std::string name;
};

struct ControlInfo {
    uint32_t id = 0;
    std::string name;
    ControlType type = ControlType::Integer;
    ControlGroup group = ControlGroup::Other;
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t step = 1;
    int32_t defaultValue = 0;
    int32_t current = 0;
    bool readOnly = false;
    bool inactive = false;              // e.g. a manual value while its automatic mode is on
    std::vector<ControlMenuItem> menu;  // for ControlType::Menu: the valid entries
};

// The settings group of a V4L2 control id: the user class (brightness, contrast, gain,
// white balance, ...) is the image group except exposure, which like the camera class
// (exposure, focus, zoom, pan, tilt, iris) is the camera group; anything else is Other.
ControlGroup controlGroupOf(uint32_t id);

// Reading and writing the controls of one camera, real or virtual.
class ControlAccess {
public:
    virtual ~ControlAccess() = default;
    // The controls in the device's order, with their current values.
    virtual std::vector<ControlInfo> controls() const = 0;
    // The current value; nullopt for an unknown control or when it cannot be read.
    virtual std::optional<int32_t> control(uint32_t id) const = 0;
    // Sets a value; false for an unknown or read-only control, a value outside the range or
    // off the step grid, or a device that refuses it. A refused value changes nothing.
    virtual bool setControl(uint32_t id, int32_t value) = 0;
};

}  // namespace lumi::devices
