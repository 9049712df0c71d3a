#include "media/filters/SmartTee.h"

SmartTee::SmartTee() : GstFilter(CLSID_SmartTee, nullptr) {
    GstElement* tee = addElement("tee");
    if (!tee) return;
    g_object_set(tee, "allow-not-linked", TRUE, nullptr);
    GstHandle<GstPad> in = GstHandle<GstPad>::adopt(gst_element_get_static_pad(tee, "sink"));
    addPin(L"Input", PINDIR_INPUT, GUID_NULL, in.get());

    struct Output {
        const wchar_t* name;
        const GUID& category;
    };
    for (const Output& out :
         {Output{L"Capture", PIN_CATEGORY_CAPTURE}, Output{L"Preview", PIN_CATEGORY_PREVIEW}}) {
        GstElement* queue = addElement("queue");
        if (!queue) return;
        // The tee keeps its request pad; this handle drops the reference handed out.
        GstHandle<GstPad> teePad =
            GstHandle<GstPad>::adopt(gst_element_request_pad_simple(tee, "src_%u"));
        GstHandle<GstPad> queueSink =
            GstHandle<GstPad>::adopt(gst_element_get_static_pad(queue, "sink"));
        gst_pad_link(teePad.get(), queueSink.get());
        GstHandle<GstPad> queueSrc =
            GstHandle<GstPad>::adopt(gst_element_get_static_pad(queue, "src"));
        addPin(out.name, PINDIR_OUTPUT, out.category, queueSrc.get());
    }
}
