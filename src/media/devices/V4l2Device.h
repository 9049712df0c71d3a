// A narrow wrapper over the V4L2 control ioctls of one device node: one method per ioctl,
// plus controls() which enumerates them into the ControlInfo shape the virtual camera uses
// too. Linux only (the program needs V4L2).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "media/devices/V4l2DeviceControls.h"

namespace lumi::devices {

struct V4l2Capability {
    std::string driver;
    std::string card;
    std::string busInfo;
    uint32_t version = 0;
    uint32_t capabilities = 0;
    uint32_t deviceCaps = 0;  // of this node (capabilities when the driver gives none)
    bool canCapture() const;  // single-planar video capture
};

class V4l2Device : public ControlAccess {
public:
    V4l2Device() = default;
    explicit V4l2Device(const std::string& path) { open(path); }
    ~V4l2Device() override;
    V4l2Device(const V4l2Device&) = delete;
    V4l2Device& operator=(const V4l2Device&) = delete;

    // Opens the node read-write and non-blocking; false (see lastError) on failure.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    // errno of the last failed call (0 after a success).
    int lastError() const { return error_; }

    // VIDIOC_QUERYCAP.
    std::optional<V4l2Capability> queryCap() const;
    // VIDIOC_QUERY_EXT_CTRL for the id (which may carry the NEXT_CTRL / NEXT_COMPOUND flags
    // to get the next control after it). The description has no current value or menu.
    std::optional<ControlInfo> queryExtCtrl(uint32_t id) const;
    // VIDIOC_QUERYCTRL, for drivers without the extended query; same shape.
    std::optional<ControlInfo> queryCtrl(uint32_t id) const;
    // VIDIOC_QUERYMENU for each index of [minimum, maximum]; indexes the driver skips are
    // left out.
    // Entries of a menu control; an integer menu's entries are named by their number.
    std::vector<ControlMenuItem> queryMenu(uint32_t id, int32_t minimum, int32_t maximum,
                                           bool integerMenu = false) const;
    // VIDIOC_G_CTRL / VIDIOC_S_CTRL.
    std::optional<int32_t> getCtrl(uint32_t id) const;
    bool setCtrl(uint32_t id, int32_t value);
    // VIDIOC_G_EXT_CTRLS / VIDIOC_S_EXT_CTRLS for one control (any class).
    std::optional<int32_t> getExtCtrl(uint32_t id) const;
    bool setExtCtrl(uint32_t id, int32_t value);

    // ControlAccess: every enabled, non-class control found by NEXT_CTRL enumeration (the
    // extended query, else the plain one), with its current value and menu.
    std::vector<ControlInfo> controls() const override;
    std::optional<int32_t> control(uint32_t id) const override;
    bool setControl(uint32_t id, int32_t value) override;

    static constexpr uint32_t kNextCtrl = 0x80000000;  // V4L2_CTRL_FLAG_NEXT_CTRL

private:
    int ioctlRetry(unsigned long request, void* arg) const;
    int fd_ = -1;
    std::string path_;
    mutable int error_ = 0;
};

}  // namespace lumi::devices
