// The capture engine's graph on real pipelines with virtual cameras.
#include <gtest/gtest.h>

#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "MediaTestSupport.h"
#include "media/devices/virtual/VirtualCameraPattern.h"
#include "media/filters/DibElements.h"
#include "media/graph/MediaType.h"

using namespace mediatest;
using lumi::devices::PixelFormat;
using lumi::devices::Rgb;
using lumi::devices::V4l2Formats;
using lumi::devices::VideoFormat;
using lumi::devices::VirtualCamera;
using lumi::devices::VirtualCameraPattern;
namespace cid = lumi::devices::cid;

namespace {

// A DIB frame (bottom-up BGR rows) read at picture coordinates.
struct Dib {
    const BYTE* data;
    int w, h;
    Rgb at(int x, int y) const {
        const BYTE* p = data + (h - 1 - y) * DibStride(w, 24) + x * 3;
        return {p[2], p[1], p[0]};
    }
    bool near(int x, int y, Rgb c, int tolerance) const {
        const Rgb p = at(x, y);
        return std::max({std::abs(p.r - c.r), std::abs(p.g - c.g), std::abs(p.b - c.b)}) <=
               tolerance;
    }
    // Bars on top, grey below to the last row and column: a flipped frame fails.
    bool showsPattern(int tolerance) const {
        const auto& colours = VirtualCameraPattern::baseColours();
        bool ok = near(w - 1, h - 1, colours[VirtualCameraPattern::kGrey], tolerance);
        for (int bar = 0; bar < 8; ++bar)
            ok &= near(bar * w / 8 + w / 16, h / 4, colours[std::size_t(bar)], tolerance);
        return ok;
    }
};

class MediaEngineGraph : public ::testing::TestWithParam<VideoFormat> {};

// Each frame whole, upright and new; a trigger gives one still; no event is left behind.
TEST_P(MediaEngineGraph, EveryFrameShowsThePictureAndATriggerOneStill) {
    const VideoFormat format = GetParam();
    const int w = format.width, h = format.height, bytes = DibStride(w, 24) * h;
    const int tolerance = format.pixelFormat == PixelFormat::Mjpg ? 24 : 12;
    VirtualCamera camera;
    EngineGraph g;
    ASSERT_EQ(g.build(MakeVirtualSource(format, true, &camera).get()), S_OK);
    EXPECT_EQ(g.triggerStill(), VFW_E_NOT_CONNECTED);
    ASSERT_EQ(g.connect(), S_OK);
    EXPECT_EQ(std::make_pair(g.width, g.height), std::make_pair(w, h));  // positive: bottom-up
    std::atomic<int> wrong{0}, repeats{0};
    std::vector<BYTE> previous;  // the streaming thread's until Stop
    g.frames.onFrame = [&](double, BYTE* data, LONG length) {
        wrong += length != bytes || !Dib{data, w, h}.showsPattern(tolerance);
        repeats += std::equal(previous.begin(), previous.end(), data, data + length);
        previous.assign(data, data + length);
    };
    g.stills.onFrame = [&](double, BYTE* data, LONG) {
        wrong += !Dib{data, w, h}.showsPattern(tolerance);
    };
    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(WaitFor([&] { return g.frames.buffers >= 10; }));
    EXPECT_EQ(g.triggerStill(), S_OK);
    EXPECT_TRUE(WaitFor([&] { return g.stills.samples >= 1; }));
    const int after = g.frames.buffers;
    EXPECT_TRUE(WaitFor([&] { return g.frames.buffers >= after + 10; }));
    EXPECT_EQ(g.control->Stop(), S_OK);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(repeats, 0);
    EXPECT_EQ(g.stills.samples, 1);
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    ComPtr<IMediaEventEx> events;
    ASSERT_EQ(g.graph.as(IID_IMediaEventEx, events), S_OK);
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT) << "unexpected event " << code;
}

INSTANTIATE_TEST_SUITE_P(VirtualCameras, MediaEngineGraph,
                         ::testing::ValuesIn(VirtualCamera::formats()), [](const auto& p) {
                             return std::string(lumi::devices::fourccName(p.param.pixelFormat)) +
                                    std::to_string(p.param.height);
                         });

class MediaCameraControls : public ::testing::TestWithParam<PixelFormat> {};

// Controls changed from another thread while frames flow; a change then shows in the picture.
TEST_P(MediaCameraControls, ChangesWhileStreamingShowInThePicture) {
    VirtualCamera camera;
    EngineGraph g;
    ASSERT_EQ(g.build(MakeVirtualSource({GetParam(), 640, 480}, false, &camera).get()), S_OK);
    ASSERT_EQ(g.connect(), S_OK);
    std::atomic<int> bright{-1}, frame{0};  // bottom-right corner turned white; frames seen
    g.frames.onFrame = [&](double, BYTE* data, LONG) {
        bright = Dib{data, 640, 480}.at(636, 476).g > 230;
        ++frame;
    };
    ASSERT_EQ(g.control->Run(), S_OK);
    std::thread([&] {
        for (int i = 0; i < 200; ++i) camera.setControl(cid::kBrightness, (i % 129) - 64);
    }).join();
    ASSERT_TRUE(camera.setControl(cid::kBrightness, 0));
    int from = frame;
    EXPECT_TRUE(WaitFor([&] { return frame > from + 2 && bright == 0; }));
    ASSERT_TRUE(camera.setControl(cid::kBrightness, 64));
    from = frame;
    EXPECT_TRUE(WaitFor([&] { return frame > from + 2 && bright == 1; }));
    g.control->Stop();
}

INSTANTIATE_TEST_SUITE_P(Formats, MediaCameraControls,
                         ::testing::Values(PixelFormat::Yuy2, PixelFormat::Mjpg),
                         [](const auto& p) { return lumi::devices::fourccName(p.param); });

TEST(MediaGraphBuild, FailedRenderLeavesTheGraphAsItWas) {
    EngineGraph g;
    ASSERT_EQ(g.build(MakeVirtualSource({PixelFormat::Yuy2, 640, 480}, false).get()), S_OK);
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

// A source already sending DIB-ordered BGR gives the tee's two branches one buffer: each
// branch's writes stay its own.
TEST(MediaGrabberBuffers, ASharedBufferIsCopiedBeforeABranchWritesIt) {
    RegisterDibElements();
    EngineGraph g;
    ASSERT_EQ(g.build(ComPtr<CaptureSourceFilter>::adopt(
                          new CaptureSourceFilter(gst_parse_bin_from_description(
                                                      "videotestsrc is-live=true ! "
                                                      "video/x-raw,format=BGR,width=320,height=240,"
                                                      "framerate=30/1 ! lumidibconvert",
                                                      TRUE, nullptr),
                                                  {}, {}))
                          .get()),
              S_OK);
    ASSERT_EQ(g.connect(), S_OK);  // preview through a Smart Tee, capture to the second grabber
    ASSERT_TRUE(
        SUCCEEDED(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, g.capture.get(),
                                          g.stillGrabberFilter.get(), g.nullRenderer.get())));
    g.stillGrabber->SetCallback(&g.stills, 1);
    std::atomic<int> leaked{0};
    const auto branch = [&](BYTE mine, BYTE other) {
        return [&, mine, other](double, BYTE* data, LONG) {
            if (data[1] == other && data[2] == other) ++leaked;
            data[1] = data[2] = mine;
        };
    };
    g.frames.onFrame = branch(0xA5, 0x5A);
    g.stills.onFrame = branch(0x5A, 0xA5);
    ASSERT_EQ(g.control->Run(), S_OK);
    EXPECT_TRUE(WaitFor([&] { return g.frames.buffers >= 20 && g.stills.buffers >= 20; }));
    g.control->Stop();
    EXPECT_EQ(leaked, 0);
}

// A live source like v4l2src; a socket carrying input_event records stands for the button.
ComPtr<CaptureSourceFilter> ButtonSource(bool jpeg, int buttonFd) {
    CaptureSourceFilter::Options options;
    options.buttonFd = buttonFd;
    return ComPtr<CaptureSourceFilter>::adopt(new CaptureSourceFilter(
        gst_parse_bin_from_description(
            jpeg ? "videotestsrc is-live=true ! jpegenc" : "videotestsrc is-live=true", TRUE,
            nullptr),
        V4l2Formats::fromCapsString(jpeg ? "image/jpeg, width=320, height=240, framerate=30/1"
                                         : "video/x-raw, format=YUY2, width=320, height=240, "
                                           "framerate=30/1"),
        options));
}

void Send(int fd, std::initializer_list<std::pair<int, int>> keys) {
    std::vector<input_event> events;
    for (auto [code, value] : keys) {
        input_event e{};
        e.type = EV_KEY;
        e.code = __u16(code);
        e.value = value;
        events.push_back(e);
        events.push_back(input_event{});  // EV_SYN report
    }
    const ssize_t bytes = ssize_t(events.size() * sizeof(input_event));
    ASSERT_EQ(::write(fd, events.data(), std::size_t(bytes)), bytes);
}

class MediaButtonStill : public ::testing::TestWithParam<bool> {};

// A button gives a still pin and one still a press, none kept from a stop; its end stops nothing.
TEST_P(MediaButtonStill, EachPressGivesOneStillSample) {
    EXPECT_FALSE(ButtonSource(GetParam(), -1)->hasStillPin());
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    ComPtr<CaptureSourceFilter> source = ButtonSource(GetParam(), fds[0]);
    ASSERT_TRUE(source->hasStillPin());
    EngineGraph g;
    ASSERT_EQ(g.build(source.get()), S_OK);
    ASSERT_EQ(g.connect(), S_OK);
    const auto moreFrames = [&](int n) {
        const int from = g.frames.buffers;
        return WaitFor([&] { return g.frames.buffers >= from + n; });
    };
    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(moreFrames(5));
    Send(fds[1], {{KEY_CAMERA, 1}, {KEY_CAMERA, 0}});
    ASSERT_TRUE(WaitFor([&] { return g.stills.samples >= 1; }));
    EXPECT_EQ(g.stills.lastLength, DibStride(g.width, 24) * std::abs(g.height));  // RGB24
    EXPECT_EQ(g.control->Stop(), S_OK);
    Send(fds[1], {{KEY_CAMERA, 1}, {KEY_CAMERA, 0}});
    ASSERT_TRUE(WaitFor([&] {
        int unread = 0;
        return ::ioctl(fds[0], FIONREAD, &unread) == 0 && unread == 0;
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(moreFrames(10));
    EXPECT_EQ(g.stills.samples, 1);
    Send(fds[1], {{KEY_CAMERA, 1}});
    ASSERT_TRUE(WaitFor([&] { return g.stills.samples >= 2; }));
    ::close(fds[1]);
    EXPECT_TRUE(moreFrames(5));
    EXPECT_EQ(g.control->Stop(), S_OK);
    EXPECT_EQ(g.stills.samples, 2);
}

INSTANTIATE_TEST_SUITE_P(Formats, MediaButtonStill, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "Mjpg" : "Yuy2"; });

}  // namespace
