#include "media/filters/MjpegDecoder.h"

#include "media/filters/DibElements.h"

MjpegDecoder::MjpegDecoder() : GstFilter(CLSID_MjpegDec, nullptr) {
    GstElement* decoder = addElement(kJpegDibDecoderFactory);
    if (!decoder) return;
    // Frames go on undecoded: the grabber's sample decodes them when its pixels are asked
    // for, the frame sink's painter straight into the window.
    g_object_set(decoder, "deferred", TRUE, nullptr);
    GstHandle<GstPad> in = GstHandle<GstPad>::adopt(gst_element_get_static_pad(decoder, "sink"));
    GstHandle<GstPad> out = GstHandle<GstPad>::adopt(gst_element_get_static_pad(decoder, "src"));
    addPin(L"XForm In", PINDIR_INPUT, GUID_NULL, in.get());
    addPin(L"XForm Out", PINDIR_OUTPUT, GUID_NULL, out.get());
}
