#include "media/filters/NullRenderer.h"

NullRenderer::NullRenderer() : GstFilter(CLSID_NullRenderer, nullptr) {
    GstElement* sink = addElement("fakesink");
    if (!sink) return;
    // No preroll wait: a branch that never carries a sample must not hold the graph.
    g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
    GstHandle<GstPad> pad = GstHandle<GstPad>::adopt(gst_element_get_static_pad(sink, "sink"));
    addPin(L"In", PINDIR_INPUT, GUID_NULL, pad.get());
}
