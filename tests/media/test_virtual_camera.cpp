// The virtual camera as an element of its own (in the engine's graph: test_graph_e2e.cpp).
#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <gst/app/gstappsink.h>
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "media/devices/V4l2Formats.h"
#include "media/devices/virtual/VirtualCamera.h"

using namespace lumi::devices;

namespace {

constexpr GstClockTime kWait = 10 * GST_SECOND;  // bound against hangs, never reached when sound

// "lumivirtualcam name=cam ! <downstream>" with a sink named "sink"; stopped when it goes.
struct Pipeline {
    explicit Pipeline(const std::string& downstream) {
        VirtualCamera::registerElements();
        pipeline = GstHandle<GstElement>::share(
            gst_parse_launch(("lumivirtualcam name=cam ! " + downstream).c_str(), nullptr));
        auto cam =
            GstHandle<GstElement>::adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "cam"));
        camera = VirtualCamera::fromElement(cam.get());
        sink = GstHandle<GstElement>::adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
    }
    ~Pipeline() { gst_element_set_state(pipeline.get(), GST_STATE_NULL); }
    void play() {
        ASSERT_NE(gst_element_set_state(pipeline.get(), GST_STATE_PLAYING),
                  GST_STATE_CHANGE_FAILURE);
    }
    using Sample = std::unique_ptr<GstSample, decltype(&gst_sample_unref)>;
    Sample pull() {
        return {gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), kWait), &gst_sample_unref};
    }
    // The next message of the types, or null after the wait.
    GstHandle<GstMessage> pop(GstMessageType types, GstClockTime wait = kWait) {
        auto bus = GstHandle<GstBus>::adopt(gst_element_get_bus(pipeline.get()));
        return GstHandle<GstMessage>::adopt(gst_bus_timed_pop_filtered(bus.get(), wait, types));
    }

    GstHandle<GstElement> pipeline, sink;
    VirtualCamera camera;
};

TEST(VirtualCameraTest, PrefersFirstFormatAndHonoursSetFormat) {
    const auto formatOf = [](const Pipeline::Sample& s) {
        return V4l2Formats::fromCaps(gst_sample_get_caps(s.get())).at(0).defaultFormat();
    };
    {
        Pipeline p("appsink name=sink sync=false");
        p.play();
        Pipeline::Sample s = p.pull();
        ASSERT_TRUE(s);
        EXPECT_EQ(formatOf(s), VirtualCamera::formats().front());
    }
    Pipeline p("appsink name=sink sync=false");
    const VideoFormat mjpg720{PixelFormat::Mjpg, 1280, 720, {30, 1}};
    EXPECT_FALSE(p.camera.setFormat({PixelFormat::Yuy2, 800, 600}));
    EXPECT_FALSE(p.camera.setFormat(mjpg720, VirtualCameraOutput::Still));  // no still pin
    ASSERT_TRUE(p.camera.setFormat(mjpg720));
    EXPECT_EQ(p.camera.currentFormat(), mjpg720);
    p.play();
    Pipeline::Sample s = p.pull();
    ASSERT_TRUE(s);
    EXPECT_EQ(formatOf(s), mjpg720);
    EXPECT_FALSE(p.pop(GST_MESSAGE_ERROR, 0));
}

// Controls refuse values beyond their range; handles share the camera. No trigger without a
// linked still pin (its push would fail and stop the camera).
TEST(VirtualCameraTest, ControlsCheckedAndTriggerRefusedWithoutLinkedStillOutput) {
    VirtualCamera cam = VirtualCamera::create({});
    for (const ControlInfo& c : cam.controls()) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(cam.setControl(c.id, c.maximum + 1));
        EXPECT_FALSE(cam.setControl(c.id, c.minimum - 1));
        EXPECT_EQ(cam.control(c.id), c.defaultValue);
        EXPECT_TRUE(cam.setControl(c.id, c.maximum));
        EXPECT_EQ(cam.control(c.id), c.maximum);
    }
    EXPECT_FALSE(cam.setControl(cid::kGain, 0));
    EXPECT_FALSE(cam.control(cid::kGain).has_value());
    VirtualCamera other = VirtualCamera::fromElement(cam.element());
    ASSERT_TRUE(other.valid());
    EXPECT_EQ(other.control(cid::kHue), 180);
    EXPECT_FALSE(VirtualCamera::fromElement(nullptr).valid());

    EXPECT_FALSE(cam.hasStillPin());
    EXPECT_FALSE(cam.trigger());
    EXPECT_FALSE(cam.currentFormat(VirtualCameraOutput::Still).has_value());
    EXPECT_FALSE(GstHandle<GstPad>::adopt(gst_element_get_static_pad(cam.element(), "still")));
    VirtualCamera still = VirtualCamera::create({.stillPin = true});
    ASSERT_TRUE(still.hasStillPin());
    EXPECT_FALSE(still.trigger());
    EXPECT_EQ(still.stillFramesSent(), 0u);
}

// Frames sent = frames received, also across end of stream; live timestamps 1/30 s apart or more.
TEST(VirtualCameraTest, CounterMatchesDeliveredFramesAndTimestampsAdvance) {
    Pipeline p("fakesink name=sink sync=true signal-handoffs=true");
    struct Seen {
        std::atomic<int> count{0};
        std::vector<GstClockTime> pts;  // written on the streaming thread only until EOS
    } seen;
    g_signal_connect(p.sink.get(), "handoff",
                     G_CALLBACK(+[](GstElement*, GstBuffer* buffer, GstPad*, gpointer data) {
                         auto* s = static_cast<Seen*>(data);
                         s->pts.push_back(GST_BUFFER_PTS(buffer));
                         ++s->count;
                     }),
                     &seen);
    p.play();
    while (seen.count < 12) ASSERT_FALSE(p.pop(GST_MESSAGE_ERROR, 100 * GST_MSECOND));
    GstQuery* latency = gst_query_new_latency();
    auto pad = GstHandle<GstPad>::adopt(gst_element_get_static_pad(p.camera.element(), "src"));
    ASSERT_TRUE(gst_pad_query(pad.get(), latency));
    gboolean live = FALSE;
    GstClockTime minLatency = 0;
    gst_query_parse_latency(latency, &live, &minLatency, nullptr);
    gst_query_unref(latency);
    EXPECT_TRUE(live);
    EXPECT_EQ(minLatency, GST_SECOND / 30);
    gst_element_send_event(p.pipeline.get(), gst_event_new_eos());
    auto end = p.pop(GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    ASSERT_TRUE(end && GST_MESSAGE_TYPE(end.get()) == GST_MESSAGE_EOS);
    EXPECT_EQ(p.camera.framesSent(), uint64_t(seen.count.load()));
    for (size_t i = 1; i < seen.pts.size(); ++i) {
        ASSERT_TRUE(GST_CLOCK_TIME_IS_VALID(seen.pts[i]));
        EXPECT_GE(seen.pts[i] - seen.pts[i - 1], GST_SECOND / 30) << "frame " << i;
    }
}

// Odd MJPG frames damaged (refused by a decoder, or without Huffman tables decodable), even whole.
class VirtualCameraDamageTest : public ::testing::TestWithParam<VirtualCameraFault> {};

TEST_P(VirtualCameraDamageTest, OddFramesDamagedEvenFramesWhole) {
    Pipeline p("image/jpeg,width=640,height=480 ! appsink name=sink sync=false");
    p.camera.setFault(GetParam());
    p.play();
    tjhandle decoder = tjInitDecompress();
    std::vector<uint8_t> rgb(640 * 480 * 3);
    for (int i = 0; i < 4; ++i) {
        Pipeline::Sample sample = p.pull();
        ASSERT_TRUE(sample);
        GstBuffer* buffer = gst_sample_get_buffer(sample.get());
        GstMapInfo map;
        ASSERT_TRUE(gst_buffer_map(buffer, &map, GST_MAP_READ));
        const std::string bytes(reinterpret_cast<const char*>(map.data), map.size);
        int w = 0, h = 0, subsampling = 0, colourspace = 0;
        const bool decoded =
            tjDecompressHeader3(decoder, map.data, map.size, &w, &h, &subsampling, &colourspace) ==
                0 &&
            tjDecompress2(decoder, map.data, map.size, rgb.data(), w, 0, h, TJPF_RGB, 0) == 0;
        gst_buffer_unmap(buffer, &map);
        const bool damaged = GST_BUFFER_OFFSET(buffer) % 2 == 1;
        SCOPED_TRACE(GST_BUFFER_OFFSET(buffer));
        if (!damaged || GetParam() == VirtualCameraFault::NoHuffmanTables) {
            EXPECT_TRUE(decoded);
            EXPECT_EQ(std::make_pair(w, h), std::make_pair(640, 480));
            EXPECT_EQ(bytes.find("\xFF\xC4") != std::string::npos, !damaged);  // Huffman tables
        } else if (GetParam() == VirtualCameraFault::OtherSize) {
            EXPECT_TRUE(decoded);
            EXPECT_EQ(std::make_pair(w, h), std::make_pair(320, 240));
        } else {
            EXPECT_FALSE(decoded);
        }
    }
    tjDestroy(decoder);
    EXPECT_FALSE(p.pop(GST_MESSAGE_ERROR, 0));
}

INSTANTIATE_TEST_SUITE_P(Faults, VirtualCameraDamageTest, ::testing::ValuesIn(kFrameDamages),
                         [](const auto& test) { return VirtualCameraFaultName(test.param); });

}  // namespace
