// A GStreamer plugin module offering the virtual camera ("lumivirtualcam"), so that the
// preview benchmark can run gst-launch-1.0 on the very source the program reads, and a
// frame counter ("lumiframecount"): it passes every buffer on untouched and writes the
// number of buffers so far to stderr, one line ("lumiframecount N") per buffer. That costs
// the pipeline less than gst-launch-1.0's -v report of a sink's last message.
#include <gst/base/gstbasetransform.h>

#include <cstdio>

#include "media/devices/virtual/VirtualCamera.h"

namespace {

struct FrameCount {
    GstBaseTransform parent;
    guint64 frames;
};
struct FrameCountClass {
    GstBaseTransformClass parent_class;
};

GType frame_count_get_type();
G_DEFINE_TYPE(FrameCount, frame_count, GST_TYPE_BASE_TRANSFORM)

GstStaticPadTemplate sinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
GstStaticPadTemplate srcTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);

GstFlowReturn CountBuffer(GstBaseTransform* base, GstBuffer*) {
    auto* self = reinterpret_cast<FrameCount*>(base);
    std::fprintf(stderr, "lumiframecount %llu\n", static_cast<unsigned long long>(++self->frames));
    return GST_FLOW_OK;
}

void frame_count_class_init(FrameCountClass* klass) {
    auto* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(element, &sinkTemplate);
    gst_element_class_add_static_pad_template(element, &srcTemplate);
    gst_element_class_set_static_metadata(element, "Frame counter", "Generic",
                                          "Counts the buffers passing through", "Lumivisor");
    auto* base = GST_BASE_TRANSFORM_CLASS(klass);
    base->transform_ip = CountBuffer;
    base->passthrough_on_same_caps = TRUE;
    base->transform_ip_on_passthrough = TRUE;
}

void frame_count_init(FrameCount* self) {
    self->frames = 0;
}

gboolean PluginInit(GstPlugin* plugin) {
    return lumi::devices::VirtualCamera::registerInPlugin(plugin) &&
           gst_element_register(plugin, "lumiframecount", GST_RANK_NONE, frame_count_get_type());
}

}  // namespace

#define PACKAGE "lumivisor"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, lumivirtualcam,
                  "The virtual camera of the benchmarks", PluginInit, "1.0", "Proprietary",
                  "lumivisor", "local")
