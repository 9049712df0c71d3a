#include "media/AviMux.h"

AviMux::AviMux() : GstFilter(CLSID_AviDest, nullptr) {
    GstElement* mux = addElement("avimux");
    if (!mux) return;
    // The muxer keeps its request pad; this handle drops the reference handed out.
    GstHandle<GstPad> video =
        GstHandle<GstPad>::adopt(gst_element_request_pad_simple(mux, "video_%u"));
    GstHandle<GstPad> out = GstHandle<GstPad>::adopt(gst_element_get_static_pad(mux, "src"));
    if (!video || !out) return;
    addPin(L"Input 01", PINDIR_INPUT, GUID_NULL, video.get());
    addPin(L"AVI Out", PINDIR_OUTPUT, GUID_NULL, out.get());
}
