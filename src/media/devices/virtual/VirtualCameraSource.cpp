#include "media/devices/virtual/VirtualCameraSource.h"

#include <gst/base/gstpushsrc.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "media/devices/virtual/VirtualCameraPattern.h"

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

}  // namespace

namespace lumi::devices {

GstElement* CreateVirtualCameraOutput(const char* name, bool still,
                                      const std::shared_ptr<VirtualCameraState>& state) {
    GstElement* src = GST_ELEMENT(g_object_new(srcType(), "name", name, "still", still, nullptr));
    privOf(src)->state = state;
    return src;
}

GType VirtualCameraSourceType() {
    return srcType();
}

}  // namespace lumi::devices
