#include "media/filters/AviMux.h"

#include <algorithm>

namespace {

// Puts each frame in its own slot of the format's time grid: the slot nearest its time, or
// the next free one when it came early (a camera whose clock runs a little fast). videorate
// then never finds two frames in one slot, so it drops none.
struct TimeSlots {
    GstClockTime period = 0;
    GstClockTime first = GST_CLOCK_TIME_NONE;
    guint64 next = 0;

    static GstPadProbeReturn OnItem(GstPad*, GstPadProbeInfo* info, gpointer self) {
        auto* slots = static_cast<TimeSlots*>(self);
        if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            GstCaps* caps = nullptr;
            int num = 0, den = 0;
            if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
                gst_event_parse_caps(event, &caps);
                if (gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate", &num,
                                               &den) &&
                    num > 0 && den > 0)
                    slots->period = gst_util_uint64_scale(GST_SECOND, guint64(den), guint64(num));
            }
            return GST_PAD_PROBE_OK;
        }
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        const GstClockTime pts = GST_BUFFER_PTS(buffer);
        if (slots->period == 0 || !GST_CLOCK_TIME_IS_VALID(pts)) return GST_PAD_PROBE_OK;
        if (!GST_CLOCK_TIME_IS_VALID(slots->first)) slots->first = pts;
        const guint64 nearest =
            pts < slots->first ? 0 : (pts - slots->first + slots->period / 2) / slots->period;
        const guint64 slot = std::max(nearest, slots->next);
        slots->next = slot + 1;
        // A shared buffer is copied (its memory is not) before its time is changed.
        buffer = gst_buffer_make_writable(buffer);
        GST_BUFFER_PTS(buffer) = slots->first + slot * slots->period;
        GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
        GST_PAD_PROBE_INFO_DATA(info) = buffer;
        return GST_PAD_PROBE_OK;
    }
};

}  // namespace

AviMux::AviMux() : GstFilter(CLSID_AviDest, nullptr) {
    GstElement* rate = addElement("videorate");
    GstElement* mux = addElement("avimux");
    if (!rate || !mux) return;
    // No frame made up before the first one. A gap of more than kMaxRepeatSeconds is not
    // filled: a disk too slow for the format would otherwise be given ever longer gaps to
    // fill (the camera skips ahead while a fill is written), and the end of the recording
    // would wait behind them.
    g_object_set(rate, "skip-to-first", TRUE, "max-duplication-time",
                 guint64(kMaxRepeatSeconds * GST_SECOND), nullptr);
    g_object_set(mux, "bigfile", TRUE, nullptr);
    // The muxer keeps its request pad; this handle drops the reference handed out.
    GstHandle<GstPad> video =
        GstHandle<GstPad>::adopt(gst_element_request_pad_simple(mux, "video_%u"));
    muxInput_ = GstHandle<GstPad>::adopt(gst_element_get_static_pad(rate, "src"));
    GstHandle<GstPad> in = GstHandle<GstPad>::adopt(gst_element_get_static_pad(rate, "sink"));
    GstHandle<GstPad> out = GstHandle<GstPad>::adopt(gst_element_get_static_pad(mux, "src"));
    if (!video || !muxInput_ || !in || !out ||
        gst_pad_link(muxInput_.get(), video.get()) != GST_PAD_LINK_OK)
        return;
    gst_pad_add_probe(
        in.get(), GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        &TimeSlots::OnItem, new TimeSlots, [](gpointer p) { delete static_cast<TimeSlots*>(p); });
    addPin(L"Input 01", PINDIR_INPUT, GUID_NULL, in.get());
    addPin(L"AVI Out", PINDIR_OUTPUT, GUID_NULL, out.get());
}
