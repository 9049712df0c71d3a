// Counts the buffers that reach a pad, from the streaming thread.
#pragma once

#include <gst/gst.h>

#include <atomic>

namespace bench {

// Adds a probe to the element's "sink" pad that increments count for every buffer; count
// must outlive the element's streaming.
inline void CountBuffersAtSink(GstElement* sink, std::atomic<long>* count) {
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo*, gpointer counter) {
            ++*static_cast<std::atomic<long>*>(counter);
            return GST_PAD_PROBE_OK;
        },
        count, nullptr);
    gst_object_unref(pad);
}

}  // namespace bench
