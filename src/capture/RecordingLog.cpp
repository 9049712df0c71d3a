#include "capture/RecordingLog.h"

#include <memory>

#include "platform/Logging.h"

namespace {

using Shared = std::shared_ptr<RecordingLog>;

void Release(gpointer shared) {
    delete static_cast<Shared*>(shared);
}

RecordingLog& Of(gpointer shared) {
    return **static_cast<Shared*>(shared);
}

}  // namespace

void RecordingLog::Attach(GstPad* input, GstPad* written, const QString& file) {
    const Shared log(new RecordingLog(file));
    gst_pad_add_probe(input, GST_PAD_PROBE_TYPE_BUFFER, &RecordingLog::OnInput, new Shared(log),
                      &Release);
    gst_pad_add_probe(
        written, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        &RecordingLog::OnWritten, new Shared(log), &Release);
}

RecordingLog::~RecordingLog() {
    Write();
}

GstPadProbeReturn RecordingLog::OnInput(GstPad*, GstPadProbeInfo*, gpointer self) {
    RecordingLog& log = Of(self);
    Clock::rep none = 0;
    log.first_.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
    ++log.delivered_;
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn RecordingLog::OnWritten(GstPad*, GstPadProbeInfo* info, gpointer self) {
    RecordingLog& log = Of(self);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        ++log.written_;
        return GST_PAD_PROBE_OK;
    }
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        int num = 0, den = 0;
        if (gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate", &num, &den) &&
            den > 0)
            log.formatRate_ = double(num) / den;
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_EOS) {
        log.Write();
    }
    return GST_PAD_PROBE_OK;
}

void RecordingLog::Write() {
    if (done_.exchange(true)) return;
    const Clock::rep first = first_;
    const double seconds = first == 0
                               ? 0
                               : std::chrono::duration<double>(Clock::now().time_since_epoch() -
                                                               Clock::duration(first))
                                     .count();
    const std::uint64_t delivered = delivered_, written = written_;
    const double formatRate = formatRate_;
    const double duration = formatRate > 0 ? double(written) / formatRate : 0;
    qCInfo(lcCapture).noquote()
        << QStringLiteral(
               "Recording %1 ended: %2 frames delivered, %3 written, %4 s long, the "
               "file %5 s, the camera %6 frames/s")
               .arg(file_)
               .arg(delivered)
               .arg(written)
               .arg(seconds, 0, 'f', 2)
               .arg(duration, 0, 'f', 2)
               .arg(seconds > 0 ? double(delivered) / seconds : 0, 0, 'f', 1);
}
