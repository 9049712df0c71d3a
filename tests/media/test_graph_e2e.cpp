// The capture engine's graph on real pipelines with virtual cameras: frames in DIB order,
// writes that travel on, the still trigger, the reset algorithm, notices of a lost device.
#include <gtest/gtest.h>

#include <QObject>
#include <QThread>
#include <map>
#include <thread>

#include "MediaTestSupport.h"
#include "media/DibElements.h"
#include "media/FilterGraph.h"
#include "media/MediaType.h"
#include "platform/WindowMessage.h"

using namespace mediatest;
using lumi::devices::PixelFormat;
using lumi::devices::VideoFormat;
using lumi::devices::VirtualCamera;

namespace {

struct Pixel {
    int b, g, r;
};

Pixel At(const BYTE* frame, int stride, int row, int column) {
    const BYTE* p = frame + std::size_t(row) * stride + std::size_t(column) * 3;
    return Pixel{p[0], p[1], p[2]};
}

bool Near(const Pixel& p, int value, int tolerance) {
    return std::abs(p.b - value) <= tolerance && std::abs(p.g - value) <= tolerance &&
           std::abs(p.r - value) <= tolerance;
}

class MediaEngineGraph : public ::testing::TestWithParam<VideoFormat> {};

// The picture's top half ends in a black bar, its bottom half is grey, its top-left corner
// white. In DIB order the last row in memory is the picture's top row.
TEST_P(MediaEngineGraph, FrameBranchDeliversBottomUpBgrOfTheConnectedSize) {
    const VideoFormat format = GetParam();
    EngineGraph g;
    ASSERT_EQ(g.build(MakeVirtualSource(format, false).get()), S_OK);
    ASSERT_EQ(g.connect(), S_OK);
    EXPECT_EQ(g.width, format.width);
    EXPECT_EQ(g.height, format.height);  // positive: bottom-up

    const int stride = DibStride(format.width, 24);
    std::atomic<int> wrongSize{0}, wrongPattern{0};
    g.frames.onFrame = [&](double, BYTE* data, LONG length) {
        if (length != stride * format.height) {
            ++wrongSize;
            return;
        }
        const int w = format.width, h = format.height;
        const bool ok = Near(At(data, stride, 0, w - 1), 128, 12) &&    // bottom row: grey
                        Near(At(data, stride, h - 1, w - 1), 0, 12) &&  // top row, right: black
                        Near(At(data, stride, h - 1, 0), 255, 12);      // top row, left: white
        if (!ok) ++wrongPattern;
    };
    ASSERT_EQ(g.control->Run(), S_OK);
    EXPECT_TRUE(WaitFor([&] { return g.frames.buffers >= 10; }));
    EXPECT_EQ(g.control->Stop(), S_OK);
    EXPECT_EQ(wrongSize, 0);
    EXPECT_EQ(wrongPattern, 0);
    // No still pin: no still branch, no trigger.
    EXPECT_EQ(g.triggerStill(), E_NOINTERFACE);
    EXPECT_EQ(g.stills.samples, 0);
}

TEST_P(MediaEngineGraph, SoftwareTriggerYieldsOneStillSample) {
    const VideoFormat format = GetParam();
    EngineGraph g;
    ASSERT_EQ(g.build(MakeVirtualSource(format, true).get()), S_OK);
    ASSERT_EQ(g.connect(), S_OK);
    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(WaitFor([&] { return g.frames.buffers >= 3; }));
    EXPECT_EQ(g.stills.samples, 0);  // nothing without a trigger
    EXPECT_EQ(g.triggerStill(), S_OK);
    EXPECT_TRUE(WaitFor([&] { return g.stills.samples >= 1; }));
    const int after = g.frames.buffers;
    EXPECT_TRUE(WaitFor([&] { return g.frames.buffers >= after + 10; }));
    EXPECT_EQ(g.stills.samples, 1);
    EXPECT_EQ(g.stills.lastLength, DibStride(format.width, 24) * format.height);
    // The still grabber buffers its samples.
    LONG size = 0;
    EXPECT_EQ(g.stillGrabber->GetCurrentBuffer(&size, nullptr), S_OK);
    EXPECT_EQ(size, DibStride(format.width, 24) * format.height);
    g.control->Stop();
}

// Grabber -> grabber: what the first callback writes is what the second one receives.
TEST_P(MediaEngineGraph, WritesInTheCallbackReachTheNextFilter) {
    EngineGraph g;
    ASSERT_EQ(g.build(MakeVirtualSource(GetParam(), false).get()), S_OK);
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB24;
    ASSERT_EQ(g.grabber->SetMediaType(&mt), S_OK);
    ASSERT_EQ(g.stillGrabber->SetMediaType(&mt), S_OK);
    // Frame grabber, then the "still" grabber as the next filter, then a null renderer.
    ASSERT_TRUE(
        SUCCEEDED(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, g.capture.get(),
                                          g.grabberFilter.get(), g.stillGrabberFilter.get())));
    ASSERT_TRUE(SUCCEEDED(g.builder->RenderStream(nullptr, nullptr, g.stillGrabberFilter.get(),
                                                  nullptr, g.nullRenderer.get())));
    std::atomic<uint32_t> written{0};
    std::atomic<int> matched{0}, mismatched{0};
    g.frames.onFrame = [&](double, BYTE* data, LONG) {
        const uint32_t stamp = ++written | 0x5A000000u;
        std::memcpy(data, &stamp, 4);
    };
    g.stills.onFrame = [&](double, BYTE* data, LONG) {
        uint32_t seen = 0;
        std::memcpy(&seen, data, 4);
        if (seen == (written.load() | 0x5A000000u))
            ++matched;
        else
            ++mismatched;
    };
    g.grabber->SetCallback(&g.frames, 1);
    g.stillGrabber->SetCallback(&g.stills, 1);
    ASSERT_EQ(g.control->Run(), S_OK);
    EXPECT_TRUE(WaitFor([&] { return matched >= 10; }));
    g.control->Stop();
    EXPECT_EQ(mismatched, 0);
}

INSTANTIATE_TEST_SUITE_P(VirtualCameras, MediaEngineGraph,
                         ::testing::Values(VideoFormat{PixelFormat::Yuy2, 640, 480, {30, 1}},
                                           VideoFormat{PixelFormat::Mjpg, 640, 480, {30, 1}},
                                           VideoFormat{PixelFormat::Mjpg, 1280, 720, {30, 1}}),
                         [](const auto& p) {
                             return std::string(lumi::devices::fourccName(p.param.pixelFormat)) +
                                    std::to_string(p.param.height);
                         });

// ---- what the builder inserts and what reset removes -------------------------------------

std::vector<CLSID> Classes(const std::set<IBaseFilter*>& filters) {
    std::vector<CLSID> result;
    for (IBaseFilter* f : filters) {
        CLSID id{};
        f->GetClassID(&id);
        result.push_back(id);
    }
    return result;
}

bool Has(const std::vector<CLSID>& ids, const CLSID& id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

TEST(MediaGraphBuild, InsertsTeeDecoderAndConverterAsFiltersOfTheGraph) {
    for (PixelFormat pf : {PixelFormat::Yuy2, PixelFormat::Mjpg}) {
        EngineGraph g;
        ASSERT_EQ(g.build(MakeVirtualSource({pf, 640, 480, {30, 1}}, true).get()), S_OK);
        ASSERT_EQ(g.connect(), S_OK);
        const auto ids = Classes(g.filters());
        EXPECT_EQ(ids.size(), 5u + 3u);  // a tee for preview; a decoder/converter per branch
        EXPECT_TRUE(Has(ids, CLSID_SmartTee));
        EXPECT_TRUE(Has(ids, pf == PixelFormat::Mjpg ? CLSID_MjpegDec : CLSID_Colour));
        g.reset();
        EXPECT_EQ(g.filters(), g.ownFilters());
    }
}

TEST(MediaGraphBuild, FailedRenderLeavesTheGraphAsItWas) {
    EngineGraph g;
    ASSERT_EQ(g.build(MakeVirtualSource({PixelFormat::Yuy2, 640, 480, {30, 1}}, false).get()),
              S_OK);
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_MJPG;  // nothing turns YUY2 into MJPG
    ASSERT_EQ(g.grabber->SetMediaType(&mt), S_OK);
    EXPECT_TRUE(
        FAILED(g.builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, g.capture.get(),
                                       g.grabberFilter.get(), g.nullRenderer2.get())));
    EXPECT_EQ(g.filters(), g.ownFilters());  // no tee, no converter left behind
    // No still pin: the still branch cannot be rendered.
    EXPECT_TRUE(
        FAILED(g.builder->RenderStream(&PIN_CATEGORY_STILL, &MEDIATYPE_Video, g.capture.get(),
                                       g.stillGrabberFilter.get(), g.nullRenderer.get())));
    AM_MEDIA_TYPE connected{};
    EXPECT_EQ(g.grabber->GetConnectedMediaType(&connected), VFW_E_NOT_CONNECTED);
}

// The engine's reset, 200 times, running each time: only the five filters remain, the
// reconnection works every time.
TEST(MediaGraphBuild, ResetAndRerenderCycles) {
    VirtualCamera camera;
    EngineGraph g;
    ASSERT_EQ(
        g.build(MakeVirtualSource({PixelFormat::Mjpg, 640, 480, {30, 1}}, true, &camera).get()),
        S_OK);
    for (int cycle = 0; cycle < 200; ++cycle) {
        ASSERT_EQ(g.connect(), S_OK) << cycle;
        ASSERT_EQ(g.width, 640) << cycle;
        const int before = g.frames.buffers;
        ASSERT_EQ(g.control->Run(), S_OK) << cycle;
        ASSERT_TRUE(WaitFor([&] { return g.frames.buffers > before; })) << cycle;
        if (cycle % 50 == 0) {
            const int stills = g.stills.samples;
            EXPECT_EQ(g.triggerStill(), S_OK);
            EXPECT_TRUE(WaitFor([&] { return g.stills.samples > stills; })) << cycle;
        }
        ASSERT_EQ(g.control->Stop(), S_OK);
        g.reset();
        ASSERT_EQ(g.filters(), g.ownFilters()) << cycle;
    }
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    ComPtr<IMediaEventEx> events;
    ASSERT_EQ(g.graph.as(IID_IMediaEventEx, events), S_OK);
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT) << "unexpected event " << code;
    FILTER_INFO info{};
    ASSERT_EQ(g.capture->QueryFilterInfo(&info), S_OK);
    info.pGraph->Release();
    EXPECT_EQ(std::wstring(info.achName), L"Capture source");
}

// ---- buffers: in place unless shared ------------------------------------------------------

// A source whose output is already DIB-ordered BGR, recording where each frame's data lives.
struct DibSource {
    ComPtr<CaptureSourceFilter> filter;
    std::mutex mutex;
    std::map<long long, const BYTE*> dataAt;  // pts in microseconds -> data pointer

    DibSource() {
        GstElement* bin = gst_parse_bin_from_description(
            "videotestsrc is-live=true pattern=smpte ! "
            "video/x-raw,format=BGR,width=320,height=240,framerate=30/1 ! lumidibconvert name=flip",
            FALSE, nullptr);
        GstElement* flip = gst_bin_get_by_name(GST_BIN(bin), "flip");
        GstPad* out = gst_element_get_static_pad(flip, "src");
        gst_element_add_pad(bin, gst_ghost_pad_new("src", out));
        gst_pad_add_probe(out, GST_PAD_PROBE_TYPE_BUFFER, &DibSource::onBuffer, this, nullptr);
        gst_object_unref(out);
        gst_object_unref(flip);
        filter = ComPtr<CaptureSourceFilter>::adopt(new CaptureSourceFilter(bin, {}, {}));
    }
    static GstPadProbeReturn onBuffer(GstPad*, GstPadProbeInfo* info, gpointer self) {
        auto* s = static_cast<DibSource*>(self);
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        GstMapInfo map;
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            std::lock_guard lock(s->mutex);
            s->dataAt[std::llround(double(GST_BUFFER_PTS(buffer)) / 1000.0)] = map.data;
            gst_buffer_unmap(buffer, &map);
        }
        return GST_PAD_PROBE_OK;
    }
    const BYTE* upstream(double seconds) {
        std::lock_guard lock(mutex);
        auto it = dataAt.find(std::llround(seconds * 1e6));
        return it == dataAt.end() ? nullptr : it->second;
    }
};

TEST(MediaGrabberBuffers, AnUnsharedBgrBufferIsHandedOverInPlace) {
    RegisterDibElements();
    DibSource source;
    EngineGraph g;
    ASSERT_EQ(g.build(source.filter.get()), S_OK);
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB24;
    ASSERT_EQ(g.grabber->SetMediaType(&mt), S_OK);
    // The capture output straight into the grabber: no tee, and no converter on a DIB stream.
    ASSERT_EQ(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, g.capture.get(),
                                      g.grabberFilter.get(), g.nullRenderer2.get()),
              S_OK);
    EXPECT_EQ(g.filters(), g.ownFilters());
    g.grabber->SetCallback(&g.frames, 1);
    std::atomic<int> inPlace{0}, copied{0};
    g.frames.onFrame = [&](double t, BYTE* data, LONG) {
        (source.upstream(t) == data ? inPlace : copied)++;
    };
    ASSERT_EQ(g.control->Run(), S_OK);
    EXPECT_TRUE(WaitFor([&] { return inPlace + copied >= 10; }));
    g.control->Stop();
    EXPECT_GT(inPlace, 0);
    EXPECT_EQ(copied, 0);
}

TEST(MediaGrabberBuffers, ASharedBufferIsCopiedSoBranchesDoNotSeeEachOthersWrites) {
    RegisterDibElements();
    DibSource source;
    EngineGraph g;
    ASSERT_EQ(g.build(source.filter.get()), S_OK);
    ASSERT_EQ(g.connect(), S_OK);  // preview through a Smart Tee
    // The tee's capture output feeds the second grabber: both branches get one buffer.
    ASSERT_TRUE(
        SUCCEEDED(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, g.capture.get(),
                                          g.stillGrabberFilter.get(), g.nullRenderer.get())));
    g.stillGrabber->SetCallback(&g.stills, 1);
    std::atomic<int> copied{0}, leaked{0};
    const BYTE kMarkA = 0xA5, kMarkB = 0x5A;
    auto branch = [&](BYTE mine, BYTE other) {
        return [&, mine, other](double t, BYTE* data, LONG) {
            if (source.upstream(t) != data) ++copied;
            if (data[1] == other && data[2] == other) ++leaked;
            data[1] = data[2] = mine;
        };
    };
    g.frames.onFrame = branch(kMarkA, kMarkB);
    g.stills.onFrame = branch(kMarkB, kMarkA);
    ASSERT_EQ(g.control->Run(), S_OK);
    EXPECT_TRUE(WaitFor([&] { return g.frames.buffers >= 20 && g.stills.buffers >= 20; }));
    g.control->Stop();
    EXPECT_GT(copied, 0);
    EXPECT_EQ(leaked, 0);
}

// ---- a device that is gone ----------------------------------------------------------------

class NoticeWindow : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != WindowMessageEvent::eventType()) return QObject::event(e);
        auto* m = static_cast<WindowMessageEvent*>(e);
        if (m->message() == WM_GRAPHNOTIFY) {
            ++notices;
            lParam = m->lParam();
            onUiThread = QThread::currentThread() == thread();
        }
        return true;
    }
    int notices = 0;
    LPARAM lParam = 0;
    bool onUiThread = false;
};

TEST(MediaGraphNotices, AMissingCameraFailsRunAndNotifiesTheOwnerOnItsThread) {
    GstElement* bin = gst_parse_bin_from_description(
        "v4l2src device=/dev/lumivisor-no-such-camera name=src", FALSE, nullptr);
    GstElement* v4l2 = gst_bin_get_by_name(GST_BIN(bin), "src");
    GstPad* out = gst_element_get_static_pad(v4l2, "src");
    gst_element_add_pad(bin, gst_ghost_pad_new("src", out));
    gst_object_unref(out);
    gst_object_unref(v4l2);
    GstHandle<GstCaps> caps = GstHandle<GstCaps>::adopt(
        gst_caps_from_string("video/x-raw,format=YUY2,width=640,height=480,framerate=30/1"));
    auto source = ComPtr<CaptureSourceFilter>::adopt(
        new CaptureSourceFilter(bin, lumi::devices::V4l2Formats::fromCaps(caps.get()), {}));

    EngineGraph g;
    ASSERT_EQ(g.build(source.get()), S_OK);
    ASSERT_EQ(g.connect(), S_OK);
    NoticeWindow window;
    ComPtr<IMediaEventEx> events;
    ASSERT_EQ(g.graph.as(IID_IMediaEventEx, events), S_OK);
    ASSERT_EQ(events->SetNotifyWindow(reinterpret_cast<OAHWND>(static_cast<QObject*>(&window)),
                                      WM_GRAPHNOTIFY, 77),
              S_OK);
    EXPECT_TRUE(FAILED(g.control->Run()));
    EXPECT_TRUE(WaitFor([&] { return window.notices > 0; }, 5000));
    EXPECT_TRUE(window.onUiThread);
    EXPECT_EQ(window.lParam, 77);
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_DEVICE_LOST);
    EXPECT_EQ(g.control->Stop(), S_OK);
    events->SetNotifyWindow(0, 0, 0);
}

}  // namespace
