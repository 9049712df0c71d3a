#include "media/filters/ColorConverter.h"

#include "media/filters/DibElements.h"

ColorConverter::ColorConverter() : GstFilter(CLSID_Colour, nullptr) {
    GstElement* convert = addElement(kDibConvertFactory);
    if (!convert) return;
    GstHandle<GstPad> in = GstHandle<GstPad>::adopt(gst_element_get_static_pad(convert, "sink"));
    GstHandle<GstPad> out = GstHandle<GstPad>::adopt(gst_element_get_static_pad(convert, "src"));
    addPin(L"Input", PINDIR_INPUT, GUID_NULL, in.get());
    addPin(L"XForm Out", PINDIR_OUTPUT, GUID_NULL, out.get());
}
