#include "media/devices/V4l2Device.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace lumi::devices {

namespace {

template <size_t N>
std::string fixedString(const __u8 (&text)[N]) {
    return std::string(reinterpret_cast<const char*>(text),
                       strnlen(reinterpret_cast<const char*>(text), N));
}
template <size_t N>
std::string fixedString(const char (&text)[N]) {
    return std::string(text, strnlen(text, N));
}

ControlType typeOf(uint32_t v4l2Type) {
    switch (v4l2Type) {
        case V4L2_CTRL_TYPE_INTEGER:
            return ControlType::Integer;
        case V4L2_CTRL_TYPE_BOOLEAN:
            return ControlType::Boolean;
        case V4L2_CTRL_TYPE_MENU:
        case V4L2_CTRL_TYPE_INTEGER_MENU:
            return ControlType::Menu;
        case V4L2_CTRL_TYPE_BUTTON:
            return ControlType::Button;
        default:
            return ControlType::Other;
    }
}

// A 64-bit bound clamped into the 32-bit value range of the control description.
int32_t clamp32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return int32_t(v);
}

ControlInfo describe(uint32_t id, const std::string& name, uint32_t type, int64_t minimum,
                     int64_t maximum, uint64_t step, int64_t def, uint32_t flags) {
    ControlInfo c;
    c.id = id;
    c.name = name;
    c.type = typeOf(type);
    c.group = controlGroupOf(id);
    c.minimum = clamp32(minimum);
    c.maximum = clamp32(maximum);
    c.step = step == 0 ? 1 : int32_t(step > uint64_t(INT32_MAX) ? INT32_MAX : step);
    c.defaultValue = clamp32(def);
    c.readOnly = flags & V4L2_CTRL_FLAG_READ_ONLY;
    c.inactive = flags & V4L2_CTRL_FLAG_INACTIVE;
    return c;
}

constexpr uint32_t kUnusableFlags = V4L2_CTRL_FLAG_DISABLED;

}  // namespace

bool V4l2Capability::canCapture() const {
    return deviceCaps & V4L2_CAP_VIDEO_CAPTURE;
}

V4l2Device::~V4l2Device() {
    close();
}

bool V4l2Device::open(const std::string& path) {
    close();
    path_ = path;
    fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    error_ = fd_ < 0 ? errno : 0;
    return fd_ >= 0;
}

void V4l2Device::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int V4l2Device::ioctlRetry(unsigned long request, void* arg) const {
    if (fd_ < 0) {
        error_ = EBADF;
        return -1;
    }
    int r;
    do {
        r = ::ioctl(fd_, request, arg);
    } while (r < 0 && errno == EINTR);
    error_ = r < 0 ? errno : 0;
    return r;
}

std::optional<V4l2Capability> V4l2Device::queryCap() const {
    v4l2_capability cap{};
    if (ioctlRetry(VIDIOC_QUERYCAP, &cap) < 0) return std::nullopt;
    V4l2Capability out;
    out.driver = fixedString(cap.driver);
    out.card = fixedString(cap.card);
    out.busInfo = fixedString(cap.bus_info);
    out.version = cap.version;
    out.capabilities = cap.capabilities;
    out.deviceCaps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    return out;
}

std::optional<ControlInfo> V4l2Device::queryExtCtrl(uint32_t id) const {
    v4l2_query_ext_ctrl q{};
    q.id = id;
    if (ioctlRetry(VIDIOC_QUERY_EXT_CTRL, &q) < 0) return std::nullopt;
    return describe(q.id, fixedString(q.name), q.type, q.minimum, q.maximum, q.step,
                    q.default_value, q.flags);
}

std::optional<ControlInfo> V4l2Device::queryCtrl(uint32_t id) const {
    v4l2_queryctrl q{};
    q.id = id;
    if (ioctlRetry(VIDIOC_QUERYCTRL, &q) < 0) return std::nullopt;
    return describe(q.id, fixedString(q.name), q.type, q.minimum, q.maximum, uint64_t(q.step),
                    q.default_value, q.flags);
}

std::vector<ControlMenuItem> V4l2Device::queryMenu(uint32_t id, int32_t minimum, int32_t maximum,
                                                   bool integerMenu) const {
    std::vector<ControlMenuItem> items;
    // A menu never has more than a few dozen entries; a bogus range is not walked in full.
    constexpr int64_t kMaxEntries = 1024;
    if (minimum < 0 || maximum < minimum || int64_t(maximum) - minimum >= kMaxEntries) return items;
    for (int32_t i = minimum; i <= maximum; ++i) {
        v4l2_querymenu m{};
        m.id = id;
        m.index = uint32_t(i);
        if (ioctlRetry(VIDIOC_QUERYMENU, &m) < 0) continue;
        // The driver fills a union: an integer menu's entry holds a number, not a name.
        items.push_back({i, integerMenu ? std::to_string(m.value) : fixedString(m.name)});
    }
    error_ = 0;
    return items;
}

std::optional<int32_t> V4l2Device::getCtrl(uint32_t id) const {
    v4l2_control c{};
    c.id = id;
    if (ioctlRetry(VIDIOC_G_CTRL, &c) < 0) return std::nullopt;
    return c.value;
}

bool V4l2Device::setCtrl(uint32_t id, int32_t value) {
    v4l2_control c{};
    c.id = id;
    c.value = value;
    return ioctlRetry(VIDIOC_S_CTRL, &c) >= 0;
}

std::optional<int32_t> V4l2Device::getExtCtrl(uint32_t id) const {
    v4l2_ext_control c{};
    c.id = id;
    v4l2_ext_controls cs{};
    cs.which = V4L2_CTRL_WHICH_CUR_VAL;
    cs.count = 1;
    cs.controls = &c;
    if (ioctlRetry(VIDIOC_G_EXT_CTRLS, &cs) < 0) return std::nullopt;
    int32_t value = c.value;  // a packed member: copied, not bound
    return value;
}

bool V4l2Device::setExtCtrl(uint32_t id, int32_t value) {
    v4l2_ext_control c{};
    c.id = id;
    c.value = value;
    v4l2_ext_controls cs{};
    cs.which = V4L2_CTRL_WHICH_CUR_VAL;
    cs.count = 1;
    cs.controls = &c;
    return ioctlRetry(VIDIOC_S_EXT_CTRLS, &cs) >= 0;
}

std::vector<ControlInfo> V4l2Device::controls() const {
    std::vector<ControlInfo> out;
    if (fd_ < 0) return out;
    bool extended = queryExtCtrl(kNextCtrl).has_value() || error_ != ENOTTY;
    uint32_t id = 0;
    // A driver that repeats an id would loop forever; the walk is bounded.
    for (int guard = 0; guard < 4096; ++guard) {
        std::optional<ControlInfo> c =
            extended ? queryExtCtrl(id | kNextCtrl) : queryCtrl(id | kNextCtrl);
        if (!c || c->id <= id) break;
        id = c->id;
        if (c->type == ControlType::Other) continue;  // class headings, strings, compounds
        v4l2_queryctrl flags{};
        flags.id = c->id;
        const bool queried = ioctlRetry(VIDIOC_QUERYCTRL, &flags) == 0;
        if (queried && (flags.flags & kUnusableFlags)) continue;
        if (c->type == ControlType::Menu)
            c->menu = queryMenu(c->id, c->minimum, c->maximum,
                                queried && flags.type == V4L2_CTRL_TYPE_INTEGER_MENU);
        if (c->type != ControlType::Button) {
            std::optional<int32_t> v = getExtCtrl(c->id);
            if (!v) v = getCtrl(c->id);
            c->current = v.value_or(c->defaultValue);
        }
        out.push_back(std::move(*c));
    }
    error_ = 0;
    return out;
}

std::optional<int32_t> V4l2Device::control(uint32_t id) const {
    std::optional<int32_t> v = getExtCtrl(id);
    return v ? v : getCtrl(id);
}

bool V4l2Device::setControl(uint32_t id, int32_t value) {
    std::optional<ControlInfo> c = queryExtCtrl(id);
    if (!c) c = queryCtrl(id);
    if (!c || c->readOnly || value < c->minimum || value > c->maximum) return false;
    if (c->type == ControlType::Integer && c->step > 1 &&
        (int64_t(value) - c->minimum) % c->step != 0)
        return false;
    return setExtCtrl(id, value) || setCtrl(id, value);
}

}  // namespace lumi::devices
