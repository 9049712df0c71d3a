// Pictures and recording at MJPG 1920 x 1080, 30 frames per second, on a virtual camera,
// through the capture engine and the frame sink (no window):
//   - picture: time from the request (what Enter sets) to the complete file on disk, written
//     by the program's picture writer, and preview frames lost while it is written (the
//     frame gap around each picture);
//   - CPU of the process with plain preview and with preview plus recording;
//   - the gap in the preview when a recording starts and when it stops.
// Prints one JSON line.
//
//   bench_recording [seconds per CPU window]   (default 20: shorter windows are noisy)
#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "BenchSupport.h"
#include "BufferCounter.h"
#include "capture/CCaptureVideo.h"
#include "frames/FrameState.h"
#include "frames/PictureWriter.h"
#include "media/MediaClasses.h"
#include "media/devices/virtual/VirtualCameraProvider.h"
#include "media/graph/GraphPin.h"
#include "media/graph/GstFilter.h"
#include "media/graph/MediaType.h"
#include "media/source/CaptureSourceFilter.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"
#include "settings/SharedState.h"

namespace {

using Clock = std::chrono::steady_clock;
using bench::CpuSeconds;
using bench::RunEvents;
using bench::SwitchToMjpeg1080;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Arrival times of the frames at the frame grabber's input.
std::mutex arrivalsMutex;
std::vector<Clock::time_point> arrivals;

GstPadProbeReturn OnFrame(GstPad*, GstPadProbeInfo*, gpointer) {
    std::lock_guard lock(arrivalsMutex);
    arrivals.push_back(Clock::now());
    return GST_PAD_PROBE_OK;
}

// The longest gap between frame arrivals overlapping [from, to].
double LongestGapMs(Clock::time_point from, Clock::time_point to) {
    std::lock_guard lock(arrivalsMutex);
    double longest = 0;
    for (std::size_t i = 1; i < arrivals.size(); ++i) {
        if (arrivals[i] < from || arrivals[i - 1] > to) continue;
        longest = std::max(longest, Ms(arrivals[i] - arrivals[i - 1]));
    }
    return longest;
}

std::size_t ArrivalCount() {
    std::lock_guard lock(arrivalsMutex);
    return arrivals.size();
}

// The number the next picture takes.
std::int32_t NextPicture() {
    std::lock_guard lock(SaveSettingsMutex);
    return NextPictureNumber;
}

// Video frames in an AVI file, read back with GStreamer's demuxer; -1 when it refuses it.
long AviFrames(const QString& path) {
    GError* error = nullptr;
    const QByteArray description = "filesrc location=\"" + path.toUtf8() +
                                   "\" ! avidemux name=d d.video_0 ! fakesink name=out sync=false";
    GstElement* pipeline = gst_parse_launch(description.constData(), &error);
    if (pipeline == nullptr || error != nullptr) {
        if (error) g_error_free(error);
        if (pipeline) gst_object_unref(pipeline);
        return -1;
    }
    std::atomic<long> frames{0};
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    bench::CountBuffersAtSink(sink, &frames);
    gst_object_unref(sink);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, 30 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool whole = end != nullptr && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS;
    if (end) gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return whole ? frames.load() : -1;
}

// Device list stand-in for EnumDevices.
class DeviceList : public QObject {
public:
    QStringList names;

protected:
    bool event(QEvent* e) override {
        if (e->type() != WindowMessageEvent::eventType()) return QObject::event(e);
        auto* m = static_cast<WindowMessageEvent*>(e);
        if (m->message() == CB_ADDSTRING)
            names << QString::fromUtf8(reinterpret_cast<const char*>(m->lParam()));
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    RegisterMediaClasses();
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    QCoreApplication app(argc, argv);
    SetMessageBoxHandler([](HWND, const QString& text, const QString&, UINT) {
        std::fprintf(stderr, "bench_recording: message: %s\n", qPrintable(text));
        return IDOK;
    });
    QTemporaryDir folder;
    if (!folder.isValid()) return 1;
    {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = folder.path() + "/";
    }
    lumi::devices::VirtualCameraProvider::addCamera("Bench Camera");

    int result = 0;
    {
        CCaptureVideo engine;
        DeviceList list;
        engine.EnumDevices(&list);
        const int position = static_cast<int>(list.names.indexOf("Bench Camera"));
        if (position < 0 || engine.OpenDevice(position) != 0 || !SwitchToMjpeg1080(engine)) {
            std::fprintf(stderr, "bench_recording: cannot open the camera at MJPG 1920x1080\n");
            return 1;
        }
        auto* source = dynamic_cast<CaptureSourceFilter*>(engine.m_pCaptureFilter.get());
        const auto camera =
            lumi::devices::VirtualCamera::fromElement(source ? source->sourceElement() : nullptr);
        auto* grabber = dynamic_cast<GstFilter*>(engine.m_pGrabberFilter.get());
        GstPad* grabberInput = grabber ? grabber->pins().front()->pad() : nullptr;
        if (grabberInput == nullptr) return 1;
        gst_pad_add_probe(grabberInput, GST_PAD_PROBE_TYPE_BUFFER, &OnFrame, nullptr, nullptr);
        PictureWriter writer;
        RunEvents(2000);  // warm-up

        // Pictures, one per second.
        constexpr int kPictures = 8;
        std::vector<double> toFile;
        double lostFrames = 0;
        double longestPictureGap = 0;
        for (int i = 0; i < kPictures; ++i) {
            const std::int32_t number = NextPicture();
            const auto asked = Clock::now();
            StillRequested = 1;
            // Written once its number is taken and the writer has nothing left to do.
            while (NextPicture() == number || !writer.Idle()) QThread::usleep(200);
            const auto done = Clock::now();
            toFile.push_back(Ms(done - asked));
            RunEvents(1000);
            // Frames the gap around the picture held back, beyond the one due in it.
            const double gap = LongestGapMs(asked, done);
            longestPictureGap = std::max(longestPictureGap, gap);
            lostFrames += std::max(0.0, std::round(gap / (1000.0 / 30.0)) - 1.0);
        }
        std::sort(toFile.begin(), toFile.end());

        // CPU: plain preview, then preview with a recording.
        double cpu = CpuSeconds();
        auto t = Clock::now();
        RunEvents(int(seconds * 1000));
        const double cpuPreview = 100.0 * (CpuSeconds() - cpu) / (Ms(Clock::now() - t) / 1000);

        const QString video = QDir(folder.path()).filePath("NEWAVI_0.avi");
        const auto startAsked = Clock::now();
        const HRESULT started = engine.StartRecording(video);
        const auto startDone = Clock::now();
        const auto sentAtStart = camera.framesSent();
        cpu = CpuSeconds();
        t = Clock::now();
        const std::size_t framesBefore = ArrivalCount();
        RunEvents(int(seconds * 1000));
        const double cpuRecording = 100.0 * (CpuSeconds() - cpu) / (Ms(Clock::now() - t) / 1000);
        const double fpsRecording =
            double(ArrivalCount() - framesBefore) / (Ms(Clock::now() - t) / 1000);
        const auto stopAsked = Clock::now();
        const auto sentAtStop = camera.framesSent();
        engine.StopRecording();
        const auto stopDone = Clock::now();
        // The camera's frames while the recording ran, against those in the file.
        const long framesDelivered = long(sentAtStop - sentAtStart);
        const long framesInFile = AviFrames(video);
        RunEvents(1500);
        const double startGap = LongestGapMs(startAsked, startDone + std::chrono::seconds(1));
        const double stopGap = LongestGapMs(stopAsked, stopDone + std::chrono::seconds(1));

        std::printf(
            "{\"bench\":\"recording\",\"camera\":\"MJPG 1920x1080 30/1\",\"pictures\":%d,"
            "\"enter_to_file_ms_median\":%.1f,\"enter_to_file_ms_max\":%.1f,"
            "\"preview_frames_lost_per_picture\":%.2f,\"longest_frame_gap_during_picture_ms\":%.1f,"
            "\"cpu_percent_preview\":%.1f,"
            "\"cpu_percent_recording\":%.1f,\"fps_preview_while_recording\":%.1f,"
            "\"recording_started\":%s,\"start_call_ms\":%.1f,\"stop_call_ms\":%.1f,"
            "\"preview_gap_at_start_ms\":%.1f,\"preview_gap_at_stop_ms\":%.1f,"
            "\"frames_delivered_while_recording\":%ld,\"frames_in_avi\":%ld}\n",
            kPictures, toFile[toFile.size() / 2], toFile.back(), lostFrames / kPictures,
            longestPictureGap, cpuPreview, cpuRecording, fpsRecording,
            started == S_OK ? "true" : "false", Ms(startDone - startAsked),
            Ms(stopDone - stopAsked), startGap, stopGap, framesDelivered, framesInFile);
        result = started == S_OK ? 0 : 1;
        engine.ReleaseGraph();
    }
    return result;
}
