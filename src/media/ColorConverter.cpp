#include "media/ColorConverter.h"

#include "media/DibElements.h"

ColorConverter::ColorConverter() : GstFilter(CLSID_Colour, nullptr) {
    GstElement* convert = addElement("videoconvert");
    GstElement* bgr = addElement("capsfilter");
    GstElement* flip = addElement(kDibFlipFactory);
    if (!convert || !bgr || !flip) return;
    GstHandle<GstCaps> caps =
        GstHandle<GstCaps>::adopt(gst_caps_from_string("video/x-raw, format=(string)BGR"));
    g_object_set(bgr, "caps", caps.get(), nullptr);
    gst_element_link_many(convert, bgr, flip, nullptr);
    GstHandle<GstPad> in = GstHandle<GstPad>::adopt(gst_element_get_static_pad(convert, "sink"));
    GstHandle<GstPad> out = GstHandle<GstPad>::adopt(gst_element_get_static_pad(flip, "src"));
    addPin(L"Input", PINDIR_INPUT, GUID_NULL, in.get());
    addPin(L"XForm Out", PINDIR_OUTPUT, GUID_NULL, out.get());
}
