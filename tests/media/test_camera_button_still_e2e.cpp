// The still output of a v4l2-style capture source fed by the camera's snapshot button, on
// real pipelines: a live test source stands for v4l2src, a socket carrying input_event
// records for the button's input device.
#include <gtest/gtest.h>

#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <ostream>
#include <thread>
#include <vector>

#include "MediaTestSupport.h"
#include "media/MediaType.h"

using namespace mediatest;
using lumi::devices::PixelFormat;
using lumi::devices::V4l2Formats;

namespace {

struct SourceCase {
    const char* name;
    const char* caps;  // what the camera offers
    bool jpeg;
};

void PrintTo(const SourceCase& c, std::ostream* os) {
    *os << c.name;
}

// A live source with the static pad "src", like v4l2src; MJPG through an encoder.
GstElement* MakeCameraElement(bool jpeg) {
    GstElement* test = gst_element_factory_make("videotestsrc", nullptr);
    g_object_set(test, "is-live", TRUE, nullptr);
    if (!jpeg) return test;
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* encoder = gst_element_factory_make("jpegenc", nullptr);
    gst_bin_add_many(GST_BIN(bin), test, encoder, nullptr);
    gst_element_link(test, encoder);
    GstHandle<GstPad> out = GstHandle<GstPad>::adopt(gst_element_get_static_pad(encoder, "src"));
    gst_element_add_pad(bin, gst_ghost_pad_new("src", out.get()));
    return bin;
}

ComPtr<CaptureSourceFilter> MakeSource(const SourceCase& c, int buttonFd) {
    CaptureSourceFilter::Options options;
    options.buttonFd = buttonFd;
    return ComPtr<CaptureSourceFilter>::adopt(new CaptureSourceFilter(
        MakeCameraElement(c.jpeg), V4l2Formats::fromCapsString(c.caps), options));
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

class MediaButtonStill : public ::testing::TestWithParam<SourceCase> {};

TEST_P(MediaButtonStill, EachPressGivesOneStillSample) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    ComPtr<CaptureSourceFilter> source = MakeSource(GetParam(), fds[0]);
    ASSERT_TRUE(source);
    ASSERT_TRUE(source->hasStillPin());
    // V4L2 has no software trigger: no IAMVideoControl, so no still at every start.
    ComPtr<IAMVideoControl> control;
    EXPECT_EQ(source.as(IID_IAMVideoControl, control), E_NOINTERFACE);

    EngineGraph g;
    ASSERT_EQ(g.build(source.get()), S_OK);
    ASSERT_EQ(g.connect(), S_OK);
    ComPtr<IPin> stillPin;
    ASSERT_EQ(g.builder->FindPin(g.capture.get(), PINDIR_OUTPUT, &PIN_CATEGORY_STILL, nullptr,
                                 FALSE, 0, stillPin.put()),
              S_OK);
    ComPtr<IPin> peer;
    EXPECT_EQ(stillPin->ConnectedTo(peer.put()), S_OK);  // the still branch is built
    EXPECT_EQ(g.triggerStill(), E_NOINTERFACE);

    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(WaitFor([&] { return g.frames.buffers >= 5; }));
    EXPECT_EQ(g.stills.samples, 0);

    Send(fds[1], {{KEY_CAMERA, 1}, {KEY_CAMERA, 2}, {KEY_CAMERA, 2}, {KEY_CAMERA, 0}});
    ASSERT_TRUE(WaitFor([&] { return g.stills.samples >= 1; }));
    // A still has the frame's size in the grabber's RGB24.
    EXPECT_EQ(g.stills.lastLength, DibStride(g.width, 24) * std::abs(g.height));

    Send(fds[1], {{KEY_ENTER, 1}, {KEY_ENTER, 0}, {KEY_CAMERA, 0}, {KEY_CAMERA, 1}});
    ASSERT_TRUE(WaitFor([&] { return g.stills.samples >= 2; }));
    const int framesAtSecond = g.frames.buffers;
    ASSERT_TRUE(WaitFor([&] { return g.frames.buffers >= framesAtSecond + 5; }));
    EXPECT_EQ(g.stills.samples, 2);
    EXPECT_EQ(g.control->Stop(), S_OK);

    // A press while the camera is stopped is not kept for the next start.
    Send(fds[1], {{KEY_CAMERA, 1}, {KEY_CAMERA, 0}});
    // Until the reader has taken it (it then acts at once, within the same step).
    ASSERT_TRUE(WaitFor([&] {
        int unread = 0;
        return ::ioctl(fds[0], FIONREAD, &unread) == 0 && unread == 0;
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(g.control->Run(), S_OK);
    const int framesAtRestart = g.frames.buffers;
    ASSERT_TRUE(WaitFor([&] { return g.frames.buffers >= framesAtRestart + 10; }));
    EXPECT_EQ(g.stills.samples, 2);
    Send(fds[1], {{KEY_CAMERA, 1}});
    ASSERT_TRUE(WaitFor([&] { return g.stills.samples >= 3; }));
    EXPECT_EQ(g.control->Stop(), S_OK);
    ::close(fds[1]);
}

TEST_P(MediaButtonStill, WithoutButtonNoStillPinAndTheGraphRuns) {
    ComPtr<CaptureSourceFilter> source = MakeSource(GetParam(), -1);
    ASSERT_TRUE(source);
    EXPECT_FALSE(source->hasStillPin());
    ComPtr<IAMVideoControl> control;
    EXPECT_EQ(source.as(IID_IAMVideoControl, control), E_NOINTERFACE);

    EngineGraph g;
    ASSERT_EQ(g.build(source.get()), S_OK);
    ASSERT_EQ(g.connect(), S_OK);  // the still branch fails quietly
    ComPtr<IPin> stillPin;
    EXPECT_TRUE(FAILED(g.builder->FindPin(g.capture.get(), PINDIR_OUTPUT, &PIN_CATEGORY_STILL,
                                          nullptr, FALSE, 0, stillPin.put())));
    ASSERT_EQ(g.control->Run(), S_OK);
    EXPECT_TRUE(WaitFor([&] { return g.frames.buffers >= 5; }));
    EXPECT_EQ(g.control->Stop(), S_OK);
    EXPECT_EQ(g.stills.samples, 0);
}

// The button's end (camera unplugged) leaves a still pin that sends nothing; the preview
// goes on.
TEST_P(MediaButtonStill, ButtonGoneLeavesPreviewRunning) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    ComPtr<CaptureSourceFilter> source = MakeSource(GetParam(), fds[0]);
    EngineGraph g;
    ASSERT_EQ(g.build(source.get()), S_OK);
    ASSERT_EQ(g.connect(), S_OK);
    ASSERT_EQ(g.control->Run(), S_OK);
    ::close(fds[1]);
    const int before = g.frames.buffers;
    EXPECT_TRUE(WaitFor([&] { return g.frames.buffers >= before + 5; }));
    EXPECT_EQ(g.control->Stop(), S_OK);
    EXPECT_EQ(g.stills.samples, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, MediaButtonStill,
    ::testing::Values(
        SourceCase{"Yuy2", "video/x-raw, format=YUY2, width=320, height=240, framerate=30/1",
                   false},
        SourceCase{"Mjpg", "image/jpeg, width=320, height=240, framerate=30/1", true}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
