#include "AviReader.h"

#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <gst/app/gstappsink.h>

namespace capturetest {

std::uint64_t Digest(const std::uint8_t* data, std::size_t size) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < size; ++i) {
        h ^= data[i];
        h *= 1099511628211ull;
    }
    return h;
}

AviContents ReadAvi(const std::string& path) {
    AviContents result;
    GstElement* pipeline =
        gst_parse_launch("filesrc name=src ! avidemux ! appsink name=out sync=false", nullptr);
    if ((result.error = !pipeline)) return result;
    // The path's bytes as they are (the description would have to be UTF-8).
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    g_object_set(source, "location", path.c_str(), nullptr);
    gst_object_unref(source);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    while (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 5 * GST_SECOND)) {
        if (result.frames++ == 0) {
            const GstStructure* s = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
            result.mediaType = gst_structure_get_name(s);
            if (const char* f = gst_structure_get_string(s, "format")) result.format = f;
            gst_structure_get_int(s, "width", &result.width);
            gst_structure_get_int(s, "height", &result.height);
        }
        GstMapInfo map;
        if (gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ)) {
            result.digests.push_back(Digest(map.data, map.size));
            gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
        }
        gst_sample_unref(sample);
        if (gst_app_sink_is_eos(GST_APP_SINK(sink))) break;
    }
    GstBus* bus = gst_element_get_bus(pipeline);
    if (GstMessage* m = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
        result.error = true;
        gst_message_unref(m);
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return result;
}

}  // namespace capturetest
