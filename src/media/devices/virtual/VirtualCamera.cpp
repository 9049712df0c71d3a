#include "media/devices/virtual/VirtualCamera.h"

#include <gst/base/gstbasesrc.h>

#include <mutex>

#include "media/devices/virtual/VirtualCameraPattern.h"
#include "media/devices/virtual/VirtualCameraSource.h"
#include "media/devices/virtual/VirtualCameraState.h"

namespace lumi::devices {

namespace {
struct ControlRange {
    uint32_t id;
    const char* name;
    int32_t minimum, maximum, step, defaultValue;
    int32_t PictureControls::*field;
};
constexpr ControlRange kControls[] = {
    {cid::kBrightness, "Brightness", -64, 64, 1, 0, &PictureControls::brightness},
    {cid::kContrast, "Contrast", 0, 64, 1, 32, &PictureControls::contrast},
    {cid::kSaturation, "Saturation", 0, 128, 1, 64, &PictureControls::saturation},
    {cid::kHue, "Hue", -180, 180, 1, 0, &PictureControls::hue},
};
}  // namespace

}  // namespace lumi::devices

using lumi::devices::kFrameDuration;
using lumi::devices::VideoFormat;
using lumi::devices::VirtualCameraFault;
using lumi::devices::VirtualCameraFrames;
using lumi::devices::VirtualCameraOutput;
using lumi::devices::VirtualCameraPattern;
using lumi::devices::VirtualCameraState;

namespace {

// ---- the camera: a bin with the capture output "src" and maybe "still" ----

struct LumiVirtualCamera {
    GstBin parent;
    std::shared_ptr<VirtualCameraState>* state;  // made in constructed()
    gboolean stillPin;
};
struct LumiVirtualCameraClass {
    GstBinClass parent_class;
};

GstBinClass* binParent = nullptr;
enum { PROP_CAM_0, PROP_CAM_STILL_PIN };

LumiVirtualCamera* cameraOf(gpointer p) {
    return reinterpret_cast<LumiVirtualCamera*>(p);
}

void addOutput(GstElement* bin, const char* padName, bool still,
               const std::shared_ptr<VirtualCameraState>& state) {
    GstElement* src = lumi::devices::CreateVirtualCameraOutput(padName, still, state);
    gst_bin_add(GST_BIN(bin), src);
    auto target = GstHandle<GstPad>::adopt(gst_element_get_static_pad(src, "src"));
    GstPadTemplate* templ = gst_element_class_get_pad_template(GST_ELEMENT_GET_CLASS(bin), padName);
    GstPad* ghost = gst_ghost_pad_new_from_template(padName, target.get(), templ);
    gst_pad_set_active(ghost, TRUE);
    gst_element_add_pad(bin, ghost);
}

void cameraConstructed(GObject* object) {
    G_OBJECT_CLASS(binParent)->constructed(object);
    LumiVirtualCamera* self = cameraOf(object);
    auto state = std::make_shared<VirtualCameraState>(self->stillPin);
    self->state = new std::shared_ptr<VirtualCameraState>(state);
    addOutput(GST_ELEMENT(object), "src", false, state);
    if (self->stillPin) addOutput(GST_ELEMENT(object), "still", true, state);
}

void cameraSetProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
    if (id == PROP_CAM_STILL_PIN)
        cameraOf(object)->stillPin = g_value_get_boolean(value);
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
}

void cameraGetProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
    if (id == PROP_CAM_STILL_PIN)
        g_value_set_boolean(value, cameraOf(object)->stillPin);
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
}

void cameraFinalize(GObject* object) {
    delete cameraOf(object)->state;
    G_OBJECT_CLASS(binParent)->finalize(object);
}

void cameraClassInit(gpointer klass, gpointer) {
    binParent = static_cast<GstBinClass*>(g_type_class_peek_parent(klass));
    auto* gobject = G_OBJECT_CLASS(klass);
    gobject->constructed = cameraConstructed;
    gobject->set_property = cameraSetProperty;
    gobject->get_property = cameraGetProperty;
    gobject->finalize = cameraFinalize;
    g_object_class_install_property(
        gobject, PROP_CAM_STILL_PIN,
        g_param_spec_boolean(
            "still-pin", "Still pin", "Whether the camera has a still output", FALSE,
            GParamFlags(G_PARAM_READWRITE | G_PARAM_CONSTRUCT_ONLY | G_PARAM_STATIC_STRINGS)));
    auto* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(element, "Virtual camera", "Source/Video",
                                          "A simulated camera with capture and still outputs",
                                          "Lumivisor");
    GstCaps* caps = lumi::devices::VirtualCamera::allCaps();
    gst_element_class_add_pad_template(
        element, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, caps));
    gst_element_class_add_pad_template(
        element, gst_pad_template_new("still", GST_PAD_SRC, GST_PAD_SOMETIMES, caps));
    gst_caps_unref(caps);
}

GType cameraType() {
    static const GType type = [] {
        GTypeInfo info{};
        info.class_size = sizeof(LumiVirtualCameraClass);
        info.class_init = cameraClassInit;
        info.instance_size = sizeof(LumiVirtualCamera);
        return g_type_register_static(GST_TYPE_BIN, "LumiVirtualCamera", &info, GTypeFlags(0));
    }();
    return type;
}

GstElement* outputElement(GstElement* camera, VirtualCameraOutput output) {
    return gst_bin_get_by_name(GST_BIN(camera),
                               output == VirtualCameraOutput::Still ? "still" : "src");
}

}  // namespace

namespace lumi::devices {

void VirtualCamera::registerElements() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (!gst_is_initialized()) gst_init(nullptr, nullptr);
        gst_element_register(nullptr, "lumivirtualcamsrc", GST_RANK_NONE,
                             lumi::devices::VirtualCameraSourceType());
        gst_element_register(nullptr, "lumivirtualcam", GST_RANK_NONE, cameraType());
    });
}

bool VirtualCamera::registerInPlugin(GstPlugin* plugin) {
    return gst_element_register(plugin, "lumivirtualcamsrc", GST_RANK_NONE,
                                lumi::devices::VirtualCameraSourceType()) &&
           gst_element_register(plugin, "lumivirtualcam", GST_RANK_NONE, cameraType());
}

const std::vector<VideoFormat>& VirtualCamera::formats() {
    static const std::vector<VideoFormat> list = {
        {PixelFormat::Yuy2, 640, 480, {kFps, 1}},
        {PixelFormat::Yuy2, 1280, 720, {kFps, 1}},
        {PixelFormat::Yuy2, 1920, 1080, {kFps, 1}},
        {PixelFormat::Mjpg, 640, 480, {kFps, 1}},
        {PixelFormat::Mjpg, 1280, 720, {kFps, 1}},
        {PixelFormat::Mjpg, 1920, 1080, {kFps, 1}},
        // As microscope cameras offer; the last, so that nothing picks it unasked.
        {PixelFormat::Yuy2, 3840, 2160, {kFps, 1}},
        {PixelFormat::Mjpg, 3840, 2160, {kFps, 1}},
    };
    return list;
}

GstCaps* VirtualCamera::allCaps() {
    GstCaps* caps = gst_caps_new_empty();
    for (const VideoFormat& f : formats()) gst_caps_append(caps, f.toCaps());
    return caps;
}

GstElement* VirtualCamera::createElement(const Options& options, const char* name) {
    registerElements();
    GstElement* element =
        GST_ELEMENT(g_object_new(cameraType(), "still-pin", gboolean(options.stillPin),
                                 name ? "name" : nullptr, name, nullptr));
    if (options.fault) (*cameraOf(element)->state)->fault = options.fault;
    return element;
}

VirtualCamera VirtualCamera::create(const Options& options, const char* name) {
    // Sharing a floating reference sinks it: the handle owns the new element.
    auto element = GstHandle<GstElement>::share(createElement(options, name));
    return VirtualCamera(element.get());
}

bool VirtualCamera::isVirtualCamera(GstElement* element) {
    registerElements();
    return element && G_TYPE_CHECK_INSTANCE_TYPE(element, cameraType());
}

VirtualCamera VirtualCamera::fromElement(GstElement* element) {
    if (!isVirtualCamera(element)) return {};
    return VirtualCamera(element);
}

VirtualCamera::VirtualCamera(GstElement* element)
    : element_(GST_ELEMENT(gst_object_ref(element))), state_(*cameraOf(element)->state) {}

VirtualCamera::VirtualCamera(const VirtualCamera& o)
    : element_(o.element_ ? GST_ELEMENT(gst_object_ref(o.element_)) : nullptr), state_(o.state_) {}

VirtualCamera& VirtualCamera::operator=(const VirtualCamera& o) {
    if (this != &o) *this = VirtualCamera(o);
    return *this;
}

VirtualCamera::VirtualCamera(VirtualCamera&& o) noexcept
    : element_(std::exchange(o.element_, nullptr)), state_(std::move(o.state_)) {}

VirtualCamera& VirtualCamera::operator=(VirtualCamera&& o) noexcept {
    std::swap(element_, o.element_);
    std::swap(state_, o.state_);
    return *this;
}

VirtualCamera::~VirtualCamera() {
    if (element_) gst_object_unref(element_);
}

bool VirtualCamera::hasStillPin() const {
    return state_ && state_->stillPin;
}

std::optional<VideoFormat> VirtualCamera::currentFormat(VirtualCameraOutput output) const {
    if (!state_ || (output == VirtualCameraOutput::Still && !state_->stillPin)) return std::nullopt;
    int i = outputIndex(output);
    std::lock_guard lock(state_->mutex);
    if (state_->negotiated[i]) return state_->negotiated[i];
    if (state_->chosen[i]) return state_->chosen[i];
    return formats().front();
}

bool VirtualCamera::setFormat(const VideoFormat& format, VirtualCameraOutput output) {
    if (!state_ || (output == VirtualCameraOutput::Still && !state_->stillPin)) return false;
    const VideoFormat* known = nullptr;
    for (const VideoFormat& f : formats())
        if (f.pixelFormat == format.pixelFormat && f.width == format.width &&
            f.height == format.height)
            known = &f;
    if (!known) return false;
    {
        std::lock_guard lock(state_->mutex);
        state_->chosen[outputIndex(output)] = *known;
        state_->negotiated[outputIndex(output)].reset();
    }
    auto src = GstHandle<GstElement>::adopt(outputElement(element_, output));
    if (src) gst_pad_mark_reconfigure(GST_BASE_SRC_PAD(src.get()));
    return true;
}

void VirtualCamera::clearFormat(VirtualCameraOutput output) {
    if (!state_) return;
    {
        std::lock_guard lock(state_->mutex);
        state_->chosen[outputIndex(output)].reset();
    }
    auto src = GstHandle<GstElement>::adopt(outputElement(element_, output));
    if (src) gst_pad_mark_reconfigure(GST_BASE_SRC_PAD(src.get()));
}

void VirtualCamera::setFault(VirtualCameraFault fault) {
    if (state_) state_->fault->store(fault);
}

VirtualCameraFault VirtualCamera::fault() const {
    return state_ ? state_->fault->load() : VirtualCameraFault::None;
}

bool VirtualCamera::trigger() {
    if (!hasStillPin()) return false;
    auto pad = GstHandle<GstPad>::adopt(gst_element_get_static_pad(element_, "still"));
    // An unlinked output would fail its push and stop with an error.
    if (!pad || !gst_pad_is_linked(pad.get())) return false;
    std::lock_guard lock(state_->triggerMutex);
    ++state_->pendingTriggers;
    state_->triggerCv.notify_all();
    return true;
}

uint64_t VirtualCamera::framesSent() const {
    return state_ ? state_->sent[0].load() : 0;
}
uint64_t VirtualCamera::stillFramesSent() const {
    return state_ ? state_->sent[1].load() : 0;
}

std::vector<ControlInfo> VirtualCamera::controls() const {
    std::vector<ControlInfo> out;
    if (!state_) return out;
    std::lock_guard lock(state_->mutex);
    for (const ControlRange& r : kControls) {
        ControlInfo c;
        c.id = r.id;
        c.name = r.name;
        c.type = ControlType::Integer;
        c.group = controlGroupOf(r.id);
        c.minimum = r.minimum;
        c.maximum = r.maximum;
        c.step = r.step;
        c.defaultValue = r.defaultValue;
        c.current = state_->controls.*r.field;
        out.push_back(std::move(c));
    }
    return out;
}

std::optional<int32_t> VirtualCamera::control(uint32_t id) const {
    if (!state_) return std::nullopt;
    std::lock_guard lock(state_->mutex);
    for (const ControlRange& r : kControls)
        if (r.id == id) return state_->controls.*r.field;
    return std::nullopt;
}

bool VirtualCamera::setControl(uint32_t id, int32_t value) {
    if (!state_) return false;
    for (const ControlRange& r : kControls) {
        if (r.id != id) continue;
        if (value < r.minimum || value > r.maximum || (value - r.minimum) % r.step != 0)
            return false;
        std::lock_guard lock(state_->mutex);
        if (state_->controls.*r.field != value) {
            state_->controls.*r.field = value;
            ++state_->controlsVersion;
        }
        return true;
    }
    return false;
}

}  // namespace lumi::devices
