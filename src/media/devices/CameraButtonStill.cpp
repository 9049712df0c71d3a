#include "media/devices/CameraButtonStill.h"

#include <gst/app/gstappsrc.h>

#include <atomic>

namespace lumi::devices {

// Shared by the button's reader, the capture pad's probe and the owner, so that whichever
// lets go last frees it.
struct CameraButtonStill::State {
    GstHandle<GstElement> source;  // the appsrc
    std::atomic<bool> wanted{false};
    std::atomic<uint64_t> sent{0};
};

namespace {

GstPadProbeReturn OnCaptureBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto& state = **static_cast<std::shared_ptr<CameraButtonStill::State>*>(data);
    if (!state.wanted.exchange(false)) return GST_PAD_PROBE_OK;
    GstBuffer* frame = GST_PAD_PROBE_INFO_BUFFER(info);
    GstHandle<GstCaps> caps = GstHandle<GstCaps>::adopt(gst_pad_get_current_caps(pad));
    if (!frame || !caps) return GST_PAD_PROBE_OK;
    // A copy shares the frame's memory; the appsrc stamps it with its own running time.
    GstHandle<GstBuffer> still = GstHandle<GstBuffer>::adopt(gst_buffer_copy(frame));
    GST_BUFFER_PTS(still.get()) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DTS(still.get()) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(still.get()) = GST_CLOCK_TIME_NONE;
    GstSample* sample = gst_sample_new(still.get(), caps.get(), nullptr, nullptr);
    if (gst_app_src_push_sample(GST_APP_SRC(state.source.get()), sample) == GST_FLOW_OK)
        ++state.sent;
    gst_sample_unref(sample);
    return GST_PAD_PROBE_OK;
}

void FreeState(gpointer data) {
    delete static_cast<std::shared_ptr<CameraButtonStill::State>*>(data);
}

}  // namespace

CameraButtonStill::CameraButtonStill(GstBin* bin, GstPad* capturePad,
                                     std::unique_ptr<CameraButton> button)
    : state_(std::make_shared<State>()),
      capturePad_(GstHandle<GstPad>::share(capturePad)),
      button_(std::move(button)) {
    GstElement* source = gst_element_factory_make("appsrc", "still");
    if (!bin || !capturePad || !button_ || !source) {
        if (source) gst_object_unref(source);
        return;
    }
    state_->source = GstHandle<GstElement>::share(source);
    g_object_set(source, "is-live", TRUE, "format", GST_FORMAT_TIME, "do-timestamp", TRUE,
                 "stream-type", 0 /* GST_APP_STREAM_TYPE_STREAM */, nullptr);
    gst_bin_add(bin, source);

    probe_ = gst_pad_add_probe(capturePad, GST_PAD_PROBE_TYPE_BUFFER, &OnCaptureBuffer,
                               new std::shared_ptr<State>(state_), &FreeState);
    std::shared_ptr<State> state = state_;
    button_->start([state] {
        // Only while the camera is streaming: a press while stopped is not kept for later.
        GstState current = GST_STATE_NULL;
        gst_element_get_state(state->source.get(), &current, nullptr, 0);
        if (current == GST_STATE_PLAYING) state->wanted = true;
    });
}

CameraButtonStill::~CameraButtonStill() {
    button_.reset();
    if (probe_) gst_pad_remove_probe(capturePad_.get(), probe_);
}

GstPad* CameraButtonStill::pad() const {
    if (!state_->source) return nullptr;
    // The appsrc's static pad lives as long as the element; the bin keeps the element.
    GstPad* p = gst_element_get_static_pad(state_->source.get(), "src");
    if (p) gst_object_unref(p);
    return p;
}

uint64_t CameraButtonStill::stillsSent() const {
    return state_->sent;
}

}  // namespace lumi::devices
