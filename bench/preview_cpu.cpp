// CPU per frame of the preview chain at 1080p30 MJPG, in one run:
//   lumivisor: virtual camera -> Smart Tee -> MJPEG Decompressor (libjpeg-turbo, bottom-up
//              RGB32, as the program asks) -> Sample Grabber (BufferCB) -> Null Renderer,
//              built through the layer;
//   gst-launch: the same camera element -> jpegdec -> videoconvert -> BGRx -> fakesink, the
//              pipeline `gst-launch-1.0` would run from that description;
//   source:    the camera alone into a fakesink (what both include).
// Each runs alone for the given seconds after one second of warm-up; CPU is this process's
// (user + system, all threads). Usage: bench_preview_cpu [seconds]   (default 10)
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "BufferCounter.h"
#include "media/MediaClasses.h"
#include "media/com/ComRuntime.h"
#include "media/com/DShow.h"
#include "media/source/CaptureSourceFilter.h"

using lumi::devices::PixelFormat;
using lumi::devices::V4l2Formats;
using lumi::devices::VideoFormat;
using lumi::devices::VirtualCamera;

namespace {

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

struct Measure {
    double cpu = 0;
    long frames = 0;
    double msPerFrame() const { return frames ? cpu * 1000.0 / double(frames) : 0; }
};

// Runs for warm-up + seconds, measuring CPU and frames over the last `seconds`.
template <typename Frames>
Measure Run(double seconds, Frames frames) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long f0 = frames();
    const double c0 = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    Measure m;
    m.cpu = CpuSeconds() - c0;
    m.frames = frames() - f0;
    return m;
}

class Counter final : public ISampleGrabberCB {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT SampleCB(double, IMediaSample*) override { return S_OK; }
    HRESULT BufferCB(double, BYTE* buffer, LONG) override {
        if (!buffer) return E_POINTER;
        ++frames;
        return S_OK;
    }
    std::atomic<long> frames{0};
};

Measure MeasureLayer(double seconds) {
    Counter counter;
    ComPtr<IGraphBuilder> graph;
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IMediaControl> control;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                     graph.putVoid());
    CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                     IID_ICaptureGraphBuilder2, builder.putVoid());
    builder->SetFiltergraph(graph.get());
    graph.as(IID_IMediaControl, control);

    GstCaps* all = VirtualCamera::allCaps();
    auto source = ComPtr<CaptureSourceFilter>::adopt(
        new CaptureSourceFilter(VirtualCamera::createElement({}), V4l2Formats::fromCaps(all), {}));
    gst_caps_unref(all);
    source->setFormat(VideoFormat{PixelFormat::Mjpg, 1920, 1080, {30, 1}});
    ComPtr<IBaseFilter> grabberFilter, nullRenderer;
    CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                     grabberFilter.putVoid());
    CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                     nullRenderer.putVoid());
    ComPtr<ISampleGrabber> grabber;
    grabberFilter.as(IID_ISampleGrabber, grabber);
    graph->AddFilter(source.get(), L"Capture Filter");
    graph->AddFilter(grabberFilter.get(), L"Grabber");
    graph->AddFilter(nullRenderer.get(), L"NullRender");
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB32;
    grabber->SetMediaType(&mt);
    if (FAILED(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video,
                                     static_cast<IBaseFilter*>(source.get()), grabberFilter.get(),
                                     nullRenderer.get()))) {
        std::fprintf(stderr, "cannot build the preview chain\n");
        std::exit(1);
    }
    grabber->SetCallback(&counter, 1);
    control->Run();
    Measure m = Run(seconds, [&] { return counter.frames.load(); });
    control->Stop();
    return m;
}

Measure MeasurePipeline(const std::string& downstream, double seconds) {
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* camera = VirtualCamera::createElement({});
    GError* error = nullptr;
    GstElement* rest = gst_parse_bin_from_description(downstream.c_str(), TRUE, &error);
    if (!rest) {
        std::fprintf(stderr, "%s\n", error ? error->message : "parse error");
        std::exit(1);
    }
    gst_bin_add_many(GST_BIN(pipeline), camera, rest, nullptr);
    gst_element_link(camera, rest);
    std::atomic<long> frames{0};
    GstElement* sink = gst_bin_get_by_name(GST_BIN(rest), "out");
    bench::CountBuffersAtSink(sink, &frames);
    gst_object_unref(sink);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    Measure m = Run(seconds, [&] { return frames.load(); });
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    if (FAILED(CoInitialize(nullptr)) || !RegisterMediaClasses()) return 1;
    const std::string caps = "capsfilter caps=image/jpeg,width=1920,height=1080,framerate=30/1";
    const std::string reference =
        caps + " ! jpegdec ! videoconvert ! video/x-raw,format=BGRx ! fakesink name=out sync=false";
    const Measure source = MeasurePipeline(caps + " ! fakesink name=out sync=false", seconds);
    const Measure layer = MeasureLayer(seconds);
    const Measure gst = MeasurePipeline(reference, seconds);
    std::printf(
        "{\"bench\":\"preview_cpu_1080p30_mjpg\",\"seconds\":%.1f,"
        "\"lumivisor_frames\":%ld,\"lumivisor_cpu_ms_per_frame\":%.3f,"
        "\"gst_launch_frames\":%ld,\"gst_launch_cpu_ms_per_frame\":%.3f,"
        "\"source_only_frames\":%ld,\"source_only_cpu_ms_per_frame\":%.3f,"
        "\"gst_launch_pipeline\":\"lumivirtualcam ! %s\"}\n",
        seconds, layer.frames, layer.msPerFrame(), gst.frames, gst.msPerFrame(), source.frames,
        source.msPerFrame(), reference.c_str());
    CoUninitialize();
    return 0;
}
