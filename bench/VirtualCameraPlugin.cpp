// A GStreamer plugin module offering the virtual camera ("lumivirtualcam"), so that the
// preview benchmark can run gst-launch-1.0 on the very source the program reads.
#include "media/VirtualCamera.h"

namespace {

gboolean PluginInit(GstPlugin* plugin) {
    return lumi::devices::VirtualCamera::registerInPlugin(plugin) ? TRUE : FALSE;
}

}  // namespace

#define PACKAGE "lumivisor"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, lumivirtualcam,
                  "The virtual camera of the benchmarks", PluginInit, "1.0", "Proprietary",
                  "lumivisor", "local")
