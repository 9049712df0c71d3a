#include "media/devices/virtual/VirtualCamera.h"

#include <gst/base/gstpushsrc.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "media/devices/virtual/VirtualCameraPattern.h"

namespace lumi::devices {

namespace {
constexpr int kFps = 30;
constexpr GstClockTime kFrameDuration = GST_SECOND / kFps;  // 33.33 ms, rounded down
int outputIndex(VirtualCameraOutput o) {
    return o == VirtualCameraOutput::Still ? 1 : 0;
}

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

// What the outputs of one camera share: controls, format choices, counters, the trigger.
class VirtualCameraState {
public:
    explicit VirtualCameraState(bool still) : stillPin(still) {}
    const bool stillPin;

    mutable std::mutex mutex;  // guards the members below up to the counters
    PictureControls controls;
    uint64_t controlsVersion = 0;
    std::optional<VideoFormat> chosen[2];
    std::optional<VideoFormat> negotiated[2];

    std::atomic<uint64_t> sent[2] = {0, 0};
    std::atomic<uint64_t> captureFrame{0};  // marker position the still output copies
    // The camera's fault; the provider shares one among the elements of a listed camera.
    std::shared_ptr<std::atomic<VirtualCameraFault>> fault =
        std::make_shared<std::atomic<VirtualCameraFault>>(VirtualCameraFault::None);

    std::mutex triggerMutex;  // guards the two below
    std::condition_variable triggerCv;
    int pendingTriggers = 0;
    bool stillFlushing = false;
    bool stillPlaying = false;  // triggers are served only while the still output plays
    bool gapPending = false;    // the still output has started playing: announce the idle stream
};

}  // namespace lumi::devices

using lumi::devices::kFrameDuration;
using lumi::devices::VideoFormat;
using lumi::devices::VirtualCameraFault;
using lumi::devices::VirtualCameraFrames;
using lumi::devices::VirtualCameraOutput;
using lumi::devices::VirtualCameraPattern;
using lumi::devices::VirtualCameraState;

// ---- the source element: one output ("lumivirtualcamsrc") ----

namespace {

struct SrcPrivate {
    std::shared_ptr<VirtualCameraState> state = std::make_shared<VirtualCameraState>(false);
    VirtualCameraOutput output = VirtualCameraOutput::Capture;
    std::optional<VideoFormat> format;  // negotiated
    std::shared_ptr<const VirtualCameraFrames> frames;
    uint64_t framesVersion = 0;
    uint64_t frameNumber = 0;
    GstClockTime nextPts = GST_CLOCK_TIME_NONE;
    std::atomic<bool> flushing{false};  // between unlock and unlock_stop
};

struct LumiVirtualCamSrc {
    GstPushSrc parent;
    SrcPrivate* priv;
};
struct LumiVirtualCamSrcClass {
    GstPushSrcClass parent_class;
};

GstPushSrcClass* srcParent = nullptr;
enum { PROP_SRC_0, PROP_SRC_STILL };

SrcPrivate* privOf(gpointer src) {
    return reinterpret_cast<LumiVirtualCamSrc*>(src)->priv;
}
int outIndex(const SrcPrivate* p) {
    return lumi::devices::outputIndex(p->output);
}

std::optional<VideoFormat> formatFromCaps(GstCaps* caps) {
    if (!caps || gst_caps_get_size(caps) != 1) return std::nullopt;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    VideoFormat f;
    if (gst_structure_has_name(s, "image/jpeg")) {
        f.pixelFormat = lumi::devices::PixelFormat::Mjpg;
    } else if (gst_structure_has_name(s, "video/x-raw") &&
               g_strcmp0(gst_structure_get_string(s, "format"), "YUY2") == 0) {
        f.pixelFormat = lumi::devices::PixelFormat::Yuy2;
    } else {
        return std::nullopt;
    }
    if (!gst_structure_get_int(s, "width", &f.width) ||
        !gst_structure_get_int(s, "height", &f.height))
        return std::nullopt;
    for (const VideoFormat& known : lumi::devices::VirtualCamera::formats())
        if (known.pixelFormat == f.pixelFormat && known.width == f.width &&
            known.height == f.height)
            return known;
    return std::nullopt;
}

GstCaps* srcGetCaps(GstBaseSrc* src, GstCaps* filter) {
    SrcPrivate* p = privOf(src);
    GstCaps* caps;
    {
        std::lock_guard lock(p->state->mutex);
        const auto& chosen = p->state->chosen[outIndex(p)];
        caps = chosen ? chosen->toCaps() : lumi::devices::VirtualCamera::allCaps();
    }
    if (filter) {
        GstCaps* both = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(caps);
        caps = both;
    }
    return caps;
}

gboolean srcSetCaps(GstBaseSrc* src, GstCaps* caps) {
    SrcPrivate* p = privOf(src);
    // A camera that cannot start refuses its format, as a V4L2 device does (S_FMT).
    if (p->output == VirtualCameraOutput::Capture) {
        const VirtualCameraFault fault = p->state->fault->load();
        if (fault == VirtualCameraFault::BusyAtStart) {
            GST_ELEMENT_ERROR(src, RESOURCE, BUSY, ("Device is busy"), ("virtual camera: busy"));
            return FALSE;
        }
        if (fault == VirtualCameraFault::NoPermission) {
            GST_ELEMENT_ERROR(src, RESOURCE, NOT_AUTHORIZED, ("No permission to use the device"),
                              ("virtual camera: not authorized"));
            return FALSE;
        }
        if (fault == VirtualCameraFault::NoBandwidthAtStart) {
            GST_ELEMENT_ERROR(src, RESOURCE, NO_SPACE_LEFT, ("%s", g_strerror(ENOSPC)),
                              ("virtual camera: stream start refused, no USB bandwidth"));
            return FALSE;
        }
    }
    std::optional<VideoFormat> f = formatFromCaps(caps);
    if (!f) return FALSE;
    p->format = f;
    p->frames.reset();
    std::lock_guard lock(p->state->mutex);
    p->state->negotiated[outIndex(p)] = f;
    return TRUE;
}

gboolean srcStart(GstBaseSrc* src) {
    SrcPrivate* p = privOf(src);
    p->frameNumber = 0;
    p->nextPts = GST_CLOCK_TIME_NONE;
    return TRUE;
}

gboolean srcStop(GstBaseSrc* src) {
    SrcPrivate* p = privOf(src);
    p->frames.reset();
    std::lock_guard lock(p->state->triggerMutex);
    if (p->output == VirtualCameraOutput::Still) {
        p->state->pendingTriggers = 0;
        p->state->gapPending = false;
        p->state->stillPlaying = false;
    }
    return TRUE;
}

gboolean srcUnlock(GstBaseSrc* src) {
    SrcPrivate* p = privOf(src);
    p->flushing = true;
    if (p->output == VirtualCameraOutput::Still) {
        std::lock_guard lock(p->state->triggerMutex);
        p->state->stillFlushing = true;
        p->state->triggerCv.notify_all();
    }
    return TRUE;
}

gboolean srcUnlockStop(GstBaseSrc* src) {
    SrcPrivate* p = privOf(src);
    p->flushing = false;
    if (p->output == VirtualCameraOutput::Still) {
        std::lock_guard lock(p->state->triggerMutex);
        p->state->stillFlushing = false;
    }
    return TRUE;
}

gboolean srcQuery(GstBaseSrc* src, GstQuery* query) {
    if (GST_QUERY_TYPE(query) == GST_QUERY_LATENCY) {
        gst_query_set_latency(query, TRUE, kFrameDuration, kFrameDuration);
        return TRUE;
    }
    return GST_BASE_SRC_CLASS(srcParent)->query(src, query);
}

void srcGetTimes(GstBaseSrc*, GstBuffer* buffer, GstClockTime* start, GstClockTime* end) {
    // Live: the base class waits for each buffer's time before pushing it.
    *start = GST_BUFFER_PTS(buffer);
    *end = GST_CLOCK_TIME_IS_VALID(*start) ? *start + GST_BUFFER_DURATION(buffer)
                                           : GST_CLOCK_TIME_NONE;
}

GstClockTime runningTime(GstElement* element) {
    GstClock* clock = gst_element_get_clock(element);
    if (!clock) return GST_CLOCK_TIME_NONE;
    GstClockTime now = gst_clock_get_time(clock);
    gst_object_unref(clock);
    GstClockTime base = gst_element_get_base_time(element);
    return now > base ? now - base : 0;
}

// The still output sends nothing until triggered, and a live pipeline's sinks wait for data
// before they complete their state change: a gap event (after the segment it belongs to)
// lets the sinks of the still branch preroll, so the branch never holds the pipeline up.
void announceGap(GstPushSrc* src) {
    GstBaseSrc* base = GST_BASE_SRC(src);
    GstPad* pad = GST_BASE_SRC_PAD(base);
    gst_pad_push_event(pad, gst_event_new_segment(&base->segment));
    GstClockTime now = runningTime(GST_ELEMENT(src));
    gst_pad_push_event(
        pad, gst_event_new_gap(GST_CLOCK_TIME_IS_VALID(now) ? now : 0, GST_CLOCK_TIME_NONE));
}

// The capture output's stream faults: a stall holds the output (until the fault is cleared
// or the output is unlocked), a read error fails it once. GST_FLOW_OK: send the next frame.
GstFlowReturn streamFault(GstPushSrc* src, SrcPrivate* p) {
    std::atomic<VirtualCameraFault>& fault = *p->state->fault;
    while (fault.load() == VirtualCameraFault::Stall) {
        if (p->flushing) return GST_FLOW_FLUSHING;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    VirtualCameraFault readError = VirtualCameraFault::ReadError;
    if (p->frameNumber > 0 && fault.compare_exchange_strong(readError, VirtualCameraFault::None)) {
        GST_ELEMENT_ERROR(src, RESOURCE, READ, ("Could not read from resource."),
                          ("virtual camera: read error"));
        return GST_FLOW_ERROR;
    }
    return GST_FLOW_OK;
}

GstFlowReturn srcCreate(GstPushSrc* src, GstBuffer** out) {
    SrcPrivate* p = privOf(src);
    VirtualCameraState& st = *p->state;
    if (p->output == VirtualCameraOutput::Still) {
        std::unique_lock lock(st.triggerMutex);
        for (;;) {
            st.triggerCv.wait(lock, [&] {
                return st.stillFlushing || st.gapPending ||
                       (st.stillPlaying && st.pendingTriggers > 0);
            });
            if (st.stillFlushing) return GST_FLOW_FLUSHING;
            if (!st.gapPending) break;
            st.gapPending = false;
            lock.unlock();
            announceGap(src);
            lock.lock();
        }
        --st.pendingTriggers;
    }
    if (!p->format) return GST_FLOW_NOT_NEGOTIATED;
    if (p->output == VirtualCameraOutput::Capture) {
        const GstFlowReturn faulted = streamFault(src, p);
        if (faulted != GST_FLOW_OK) return faulted;
    }

    lumi::devices::PictureControls controls;
    uint64_t version;
    {
        std::lock_guard lock(st.mutex);
        controls = st.controls;
        version = st.controlsVersion;
    }
    // Rendered lazily: after negotiation and after a control change.
    if (!p->frames || p->framesVersion != version || !(p->frames->format == *p->format)) {
        p->frames = VirtualCameraPattern::frames(*p->format, controls);
        p->framesVersion = version;
        if (!p->frames) {
            GST_ELEMENT_ERROR(src, RESOURCE, FAILED, ("Cannot render the picture"), (nullptr));
            return GST_FLOW_ERROR;
        }
    }

    uint64_t frame;
    if (p->output == VirtualCameraOutput::Capture) {
        frame = p->frameNumber;
        st.captureFrame.store(frame, std::memory_order_relaxed);
    } else {
        frame = st.captureFrame.load(std::memory_order_relaxed);
    }
    const int k = int(frame % VirtualCameraPattern::kFrameCount);
    const std::vector<uint8_t>* bytes = &p->frames->frames[size_t(k)];
    std::shared_ptr<const void> owner = p->frames;
    const VirtualCameraFault fault = st.fault->load();
    if (p->output == VirtualCameraOutput::Capture &&
        p->format->pixelFormat == lumi::devices::PixelFormat::Mjpg &&
        lumi::devices::DamagesFrame(fault, p->frameNumber)) {
        auto damaged = std::make_shared<const std::vector<uint8_t>>(
            lumi::devices::DamagedJpeg(fault, *bytes, *p->format, k, controls));
        bytes = damaged.get();
        owner = std::move(damaged);
    }
    auto* holder = new std::shared_ptr<const void>(std::move(owner));
    GstBuffer* buffer = gst_buffer_new_wrapped_full(
        GST_MEMORY_FLAG_READONLY, const_cast<uint8_t*>(bytes->data()), bytes->size(), 0,
        bytes->size(), holder,
        [](gpointer h) { delete static_cast<std::shared_ptr<const void>*>(h); });

    GstClockTime now = runningTime(GST_ELEMENT(src));
    GstClockTime pts;
    if (p->output == VirtualCameraOutput::Capture) {
        // Frames follow each other at 1/30 s; after a stall (a pause, a slow consumer) the
        // camera skips ahead to now instead of sending the missed frames in a burst.
        if (!GST_CLOCK_TIME_IS_VALID(p->nextPts) ||
            (GST_CLOCK_TIME_IS_VALID(now) && now > p->nextPts + kFrameDuration))
            p->nextPts = GST_CLOCK_TIME_IS_VALID(now) ? now : 0;
        pts = p->nextPts;
        p->nextPts += GstClockTime(double(kFrameDuration) *
                                   lumi::devices::FrameInterval(st.fault->load(), p->frameNumber));
    } else {
        pts = GST_CLOCK_TIME_IS_VALID(now) ? now : 0;
    }
    GST_BUFFER_PTS(buffer) = pts;
    GST_BUFFER_DTS(buffer) = pts;
    GST_BUFFER_DURATION(buffer) = kFrameDuration;
    GST_BUFFER_OFFSET(buffer) = p->frameNumber;
    GST_BUFFER_OFFSET_END(buffer) = p->frameNumber + 1;
    ++p->frameNumber;
    *out = buffer;
    return GST_FLOW_OK;
}

GstPadProbeReturn countSent(GstPad*, GstPadProbeInfo*, gpointer src) {
    SrcPrivate* p = privOf(src);
    p->state->sent[outIndex(p)].fetch_add(1, std::memory_order_relaxed);
    return GST_PAD_PROBE_OK;
}

// A live source is not unlocked when it pauses, so the still output learns of each start
// here: every PAUSED -> PLAYING its sinks need a preroll again, which the gap gives them.
GstStateChangeReturn srcChangeState(GstElement* element, GstStateChange transition) {
    SrcPrivate* p = privOf(element);
    VirtualCameraState& st = *p->state;
    const bool still = p->output == VirtualCameraOutput::Still;
    if (still && transition == GST_STATE_CHANGE_PLAYING_TO_PAUSED) {
        std::lock_guard lock(st.triggerMutex);
        st.stillPlaying = false;
    }
    GstStateChangeReturn ret = GST_ELEMENT_CLASS(srcParent)->change_state(element, transition);
    if (still && transition == GST_STATE_CHANGE_PAUSED_TO_PLAYING &&
        ret != GST_STATE_CHANGE_FAILURE) {
        std::lock_guard lock(st.triggerMutex);
        st.stillPlaying = true;
        st.gapPending = true;
        st.triggerCv.notify_all();
    }
    return ret;
}

void srcSetProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
    if (id == PROP_SRC_STILL)
        privOf(object)->output =
            g_value_get_boolean(value) ? VirtualCameraOutput::Still : VirtualCameraOutput::Capture;
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
}

void srcGetProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
    if (id == PROP_SRC_STILL)
        g_value_set_boolean(value, privOf(object)->output == VirtualCameraOutput::Still);
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
}

void srcFinalize(GObject* object) {
    delete privOf(object);
    G_OBJECT_CLASS(srcParent)->finalize(object);
}

void srcInstanceInit(GTypeInstance* instance, gpointer) {
    auto* self = reinterpret_cast<LumiVirtualCamSrc*>(instance);
    self->priv = new SrcPrivate;
    GstBaseSrc* base = GST_BASE_SRC(instance);
    gst_base_src_set_live(base, TRUE);
    gst_base_src_set_format(base, GST_FORMAT_TIME);
    gst_pad_add_probe(GST_BASE_SRC_PAD(base), GST_PAD_PROBE_TYPE_BUFFER, countSent, instance,
                      nullptr);
}

void srcClassInit(gpointer klass, gpointer) {
    srcParent = static_cast<GstPushSrcClass*>(g_type_class_peek_parent(klass));
    auto* gobject = G_OBJECT_CLASS(klass);
    gobject->set_property = srcSetProperty;
    gobject->get_property = srcGetProperty;
    gobject->finalize = srcFinalize;
    g_object_class_install_property(
        gobject, PROP_SRC_STILL,
        g_param_spec_boolean(
            "still", "Still output", "Emit one frame per trigger instead of a live stream", FALSE,
            GParamFlags(G_PARAM_READWRITE | G_PARAM_CONSTRUCT_ONLY | G_PARAM_STATIC_STRINGS)));
    auto* element = GST_ELEMENT_CLASS(klass);
    element->change_state = srcChangeState;
    gst_element_class_set_static_metadata(element, "Virtual camera output", "Source/Video",
                                          "One output of a simulated camera", "Lumivisor");
    GstCaps* caps = lumi::devices::VirtualCamera::allCaps();
    gst_element_class_add_pad_template(
        element, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, caps));
    gst_caps_unref(caps);
    auto* base = GST_BASE_SRC_CLASS(klass);
    base->get_caps = srcGetCaps;
    base->set_caps = srcSetCaps;
    base->start = srcStart;
    base->stop = srcStop;
    base->unlock = srcUnlock;
    base->unlock_stop = srcUnlockStop;
    base->query = srcQuery;
    base->get_times = srcGetTimes;
    GST_PUSH_SRC_CLASS(klass)->create = srcCreate;
}

GType srcType() {
    static const GType type = [] {
        GTypeInfo info{};
        info.class_size = sizeof(LumiVirtualCamSrcClass);
        info.class_init = srcClassInit;
        info.instance_size = sizeof(LumiVirtualCamSrc);
        info.instance_init = srcInstanceInit;
        return g_type_register_static(GST_TYPE_PUSH_SRC, "LumiVirtualCamSrc", &info, GTypeFlags(0));
    }();
    return type;
}

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
    GstElement* src =
        GST_ELEMENT(g_object_new(srcType(), "name", padName, "still", still, nullptr));
    privOf(src)->state = state;
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
        gst_element_register(nullptr, "lumivirtualcamsrc", GST_RANK_NONE, srcType());
        gst_element_register(nullptr, "lumivirtualcam", GST_RANK_NONE, cameraType());
    });
}

bool VirtualCamera::registerInPlugin(GstPlugin* plugin) {
    return gst_element_register(plugin, "lumivirtualcamsrc", GST_RANK_NONE, srcType()) &&
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
