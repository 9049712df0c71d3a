// The virtual camera in real pipelines: formats, pattern, motion, controls, still trigger,
// timestamps, the frame counter and the damaged-frame faults.
#include "media/GstHandle.h"  // first: WinTypes.h before GLib

#include <gst/app/gstappsink.h>
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "media/V4l2Formats.h"
#include "media/VirtualCamera.h"
#include "media/VirtualCameraPattern.h"

using namespace lumi::devices;

namespace {

// Adopts a reference the caller owns (a "transfer full" result).
template <typename T>
GstHandle<T> own(T* p) {
    return GstHandle<T>::adopt(p);
}
// Samples are mini objects, not GstObjects.
struct SampleUnref {
    void operator()(GstSample* s) const { gst_sample_unref(s); }
};
using Sample = std::unique_ptr<GstSample, SampleUnref>;

Sample pull(GstElement* appsink, GstClockTime wait) {
    return Sample(gst_app_sink_try_pull_sample(GST_APP_SINK(appsink), wait));
}

constexpr GstClockTime kWait = 10 * GST_SECOND;  // bound against hangs, never reached when sound

// A pipeline holding one camera; downstream parts are given as descriptions and linked to
// the camera's pads.
class Rig {
public:
    explicit Rig(VirtualCamera::Options options = {}) {
        camera = VirtualCamera::create(options, "cam");
        pipeline = GstHandle<GstElement>::share(gst_pipeline_new("rig"));  // sinks it
        gst_bin_add(GST_BIN(pipeline.get()), GST_ELEMENT(gst_object_ref(camera.element())));
    }
    ~Rig() {
        if (pipeline) gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    }

    // Links the camera pad to a bin made from the description; returns the bin's element of
    // that name (appsink or fakesink), if any.
    GstElement* branch(const char* pad, const std::string& description,
                       const char* sinkName = nullptr) {
        GError* error = nullptr;
        GstElement* bin = gst_parse_bin_from_description(description.c_str(), TRUE, &error);
        EXPECT_TRUE(bin) << (error ? error->message : "");
        if (error) g_error_free(error);
        if (!bin) return nullptr;
        gst_bin_add(GST_BIN(pipeline.get()), bin);
        auto src = own<GstPad>(gst_element_get_static_pad(camera.element(), pad));
        auto sink = own<GstPad>(gst_element_get_static_pad(bin, "sink"));
        EXPECT_TRUE(src) << pad;
        if (src && sink) {
            EXPECT_EQ(gst_pad_link(src.get(), sink.get()), GST_PAD_LINK_OK);
        }
        return sinkName ? gst_bin_get_by_name(GST_BIN(bin), sinkName) : nullptr;
    }

    void play() {
        ASSERT_NE(gst_element_set_state(pipeline.get(), GST_STATE_PLAYING),
                  GST_STATE_CHANGE_FAILURE);
    }

    // No error on the bus so far.
    void expectNoError() {
        auto bus = own<GstBus>(gst_element_get_bus(pipeline.get()));
        auto msg = own<GstMessage>(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
        if (msg) {
            GError* err = nullptr;
            gst_message_parse_error(msg.get(), &err, nullptr);
            ADD_FAILURE() << "pipeline error: " << (err ? err->message : "?");
            if (err) g_error_free(err);
        }
    }

    VirtualCamera camera;
    GstHandle<GstElement> pipeline;
};

struct Frame {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    GstClockTime pts = GST_CLOCK_TIME_NONE;
    const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

Frame pullRgb(GstElement* appsink, GstClockTime wait = kWait) {
    Frame f;
    Sample sample = pull(appsink, wait);
    if (!sample) return f;
    GstStructure* s = gst_caps_get_structure(gst_sample_get_caps(sample.get()), 0);
    gst_structure_get_int(s, "width", &f.width);
    gst_structure_get_int(s, "height", &f.height);
    GstBuffer* buffer = gst_sample_get_buffer(sample.get());
    f.pts = GST_BUFFER_PTS(buffer);
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        // Packed RGB rows may be padded to 4 bytes.
        int stride = (f.width * 3 + 3) & ~3;
        if (map.size >= size_t(stride) * f.height) {
            f.rgb.resize(size_t(f.width) * f.height * 3);
            for (int y = 0; y < f.height; ++y)
                std::memcpy(&f.rgb[size_t(y) * f.width * 3], map.data + size_t(y) * stride,
                            size_t(f.width) * 3);
        }
        gst_buffer_unmap(buffer, &map);
    }
    return f;
}

bool near(const uint8_t* px, Rgb want, int tolerance) {
    return std::abs(px[0] - want.r) <= tolerance && std::abs(px[1] - want.g) <= tolerance &&
           std::abs(px[2] - want.b) <= tolerance;
}

std::string rgbOf(const uint8_t* px) {
    return "(" + std::to_string(px[0]) + "," + std::to_string(px[1]) + "," + std::to_string(px[2]) +
           ")";
}

// The documented picture: bars on top, grey below; the right-most column black above and
// grey below.
void expectPattern(const Frame& f, int tolerance) {
    ASSERT_FALSE(f.rgb.empty());
    const int w = f.width, h = f.height;
    const auto& colours = VirtualCameraPattern::baseColours();
    for (int bar = 0; bar < 8; ++bar) {
        const uint8_t* px = f.at(bar * w / 8 + w / 16, h / 4);
        EXPECT_TRUE(near(px, colours[size_t(bar)], tolerance)) << "bar " << bar << " " << rgbOf(px);
    }
    for (int y : {2, h / 4, h / 2 - 3})
        EXPECT_TRUE(near(f.at(w - 1, y), colours[7], tolerance)) << "right column, row " << y;
    for (int y : {h / 2 + 3, h * 7 / 8, h - 1}) {
        EXPECT_TRUE(near(f.at(w - 1, y), colours[VirtualCameraPattern::kGrey], tolerance))
            << "right column, row " << y << " " << rgbOf(f.at(w - 1, y));
        EXPECT_TRUE(near(f.at(0, y), colours[VirtualCameraPattern::kGrey], tolerance))
            << "left column, row " << y;
    }
}

std::string decodeToRgb(PixelFormat format) {
    return format == PixelFormat::Mjpg ? "jpegdec ! videoconvert" : "videoconvert";
}

class VirtualCameraFormatTest : public ::testing::TestWithParam<VideoFormat> {};

TEST_P(VirtualCameraFormatTest, NegotiatedFormatPatternAndMotion) {
    const VideoFormat& format = GetParam();
    Rig rig;
    auto caps = own<GstCaps>(format.toCaps());
    gchar* capsText = gst_caps_to_string(caps.get());
    GstElement* sink =
        rig.branch("src",
                   std::string("capsfilter caps=\"") + capsText + "\" ! identity name=raw ! " +
                       decodeToRgb(format.pixelFormat) +
                       " ! video/x-raw,format=RGB ! appsink name=sink sync=false",
                   "sink");
    g_free(capsText);
    ASSERT_TRUE(sink);
    auto sinkRef = own<GstElement>(sink);

    // The raw buffers as the camera sends them.
    struct Raw {
        std::atomic<size_t> size{0};
        std::atomic<bool> jpegMagic{false};
    } raw;
    auto camPad = own<GstPad>(gst_element_get_static_pad(rig.camera.element(), "src"));
    gst_pad_add_probe(
        camPad.get(), GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            auto* r = static_cast<Raw*>(data);
            GstBuffer* b = GST_PAD_PROBE_INFO_BUFFER(info);
            r->size = gst_buffer_get_size(b);
            uint8_t head[2] = {0, 0};
            gst_buffer_extract(b, 0, head, 2);
            r->jpegMagic = head[0] == 0xFF && head[1] == 0xD8;
            return GST_PAD_PROBE_OK;
        },
        &raw, nullptr);

    rig.play();
    Frame first = pullRgb(sink);
    ASSERT_EQ(first.width, format.width);
    ASSERT_EQ(first.height, format.height);
    expectPattern(first, format.pixelFormat == PixelFormat::Mjpg ? 24 : 12);

    auto current = own<GstCaps>(gst_pad_get_current_caps(camPad.get()));
    ASSERT_TRUE(current);
    std::vector<V4l2Format> sent = V4l2Formats::fromCaps(current.get());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].defaultFormat(), format);
    EXPECT_EQ(rig.camera.currentFormat(), format);
    if (format.pixelFormat == PixelFormat::Yuy2)
        EXPECT_EQ(raw.size.load(), format.frameBytes());
    else
        EXPECT_TRUE(raw.jpegMagic.load());

    Frame second = pullRgb(sink);
    ASSERT_EQ(second.rgb.size(), first.rgb.size());
    EXPECT_NE(first.rgb, second.rgb) << "consecutive frames are identical";
    rig.expectNoError();
}

INSTANTIATE_TEST_SUITE_P(AllFormats, VirtualCameraFormatTest,
                         ::testing::ValuesIn(VirtualCamera::formats()), [](const auto& p) {
                             return std::string(fourccName(p.param.pixelFormat)) + "_" +
                                    std::to_string(p.param.width) + "x" +
                                    std::to_string(p.param.height);
                         });

TEST(VirtualCameraTest, PrefersFirstFormatAndHonoursSetFormat) {
    {
        Rig rig;
        GstElement* sink = rig.branch("src", "appsink name=sink sync=false", "sink");
        auto sinkRef = own<GstElement>(sink);
        rig.play();
        Sample s = pull(sink, kWait);
        ASSERT_TRUE(s);
        EXPECT_EQ(V4l2Formats::fromCaps(gst_sample_get_caps(s.get()))[0].defaultFormat(),
                  VirtualCamera::formats().front());
    }
    Rig rig;
    const VideoFormat mjpg720{PixelFormat::Mjpg, 1280, 720, {30, 1}};
    EXPECT_FALSE(rig.camera.setFormat({PixelFormat::Yuy2, 800, 600}));
    EXPECT_FALSE(rig.camera.setFormat(mjpg720, VirtualCameraOutput::Still));  // no still pin
    ASSERT_TRUE(rig.camera.setFormat(mjpg720));
    EXPECT_EQ(rig.camera.currentFormat(), mjpg720);
    GstElement* sink = rig.branch("src", "appsink name=sink sync=false", "sink");
    auto sinkRef = own<GstElement>(sink);
    rig.play();
    Sample s = pull(sink, kWait);
    ASSERT_TRUE(s);
    EXPECT_EQ(V4l2Formats::fromCaps(gst_sample_get_caps(s.get()))[0].defaultFormat(), mjpg720);
    rig.expectNoError();
}

TEST(VirtualCameraTest, ControlsDescribedAndChecked) {
    VirtualCamera cam = VirtualCamera::create({});
    std::vector<ControlInfo> list = cam.controls();
    ASSERT_EQ(list.size(), 4u);
    struct Want {
        uint32_t id;
        int32_t min, max, def;
    };
    const Want want[] = {{cid::kBrightness, -64, 64, 0},
                         {cid::kContrast, 0, 64, 32},
                         {cid::kSaturation, 0, 128, 64},
                         {cid::kHue, -180, 180, 0}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(list[i].id, want[i].id);
        EXPECT_EQ(list[i].minimum, want[i].min);
        EXPECT_EQ(list[i].maximum, want[i].max);
        EXPECT_EQ(list[i].defaultValue, want[i].def);
        EXPECT_EQ(list[i].current, want[i].def);
        EXPECT_EQ(list[i].step, 1);
        EXPECT_EQ(list[i].group, ControlGroup::Image);
        EXPECT_EQ(list[i].type, ControlType::Integer);
        EXPECT_FALSE(cam.setControl(want[i].id, want[i].max + 1));
        EXPECT_FALSE(cam.setControl(want[i].id, want[i].min - 1));
        EXPECT_EQ(cam.control(want[i].id), want[i].def);
        EXPECT_TRUE(cam.setControl(want[i].id, want[i].max));
        EXPECT_EQ(cam.control(want[i].id), want[i].max);
    }
    EXPECT_FALSE(cam.setControl(cid::kGain, 0));
    EXPECT_FALSE(cam.control(cid::kGain).has_value());
    // Two handles on one element share the camera.
    VirtualCamera other = VirtualCamera::fromElement(cam.element());
    ASSERT_TRUE(other.valid());
    EXPECT_EQ(other.control(cid::kHue), 180);
    EXPECT_FALSE(VirtualCamera::fromElement(nullptr).valid());
}

struct ControlCase {
    const char* label;
    uint32_t id;
    int32_t value;
    bool (*changed)(const Frame&);
};

class VirtualCameraControlTest : public ::testing::TestWithParam<ControlCase> {};

// A control set while frames flow changes the picture within a few frames.
TEST_P(VirtualCameraControlTest, ChangesThePicture) {
    const ControlCase& c = GetParam();
    Rig rig;
    GstElement* sink =
        rig.branch("src",
                   "capsfilter caps=video/x-raw,format=YUY2,width=640,height=480 ! videoconvert ! "
                   "video/x-raw,format=RGB ! "
                   "appsink name=sink sync=false max-buffers=2 drop=true",
                   "sink");
    auto sinkRef = own<GstElement>(sink);
    rig.play();
    Frame before = pullRgb(sink);
    ASSERT_FALSE(before.rgb.empty());
    ASSERT_FALSE(c.changed(before));
    ASSERT_TRUE(rig.camera.setControl(c.id, c.value));
    bool seen = false;
    for (int i = 0; i < 60 && !seen; ++i) {
        Frame f = pullRgb(sink);
        ASSERT_FALSE(f.rgb.empty());
        seen = c.changed(f);
    }
    EXPECT_TRUE(seen);
    rig.expectNoError();
}

const uint8_t* greyArea(const Frame& f) {
    return f.at(f.width - 4, f.height - 4);
}
const uint8_t* barCentre(const Frame& f, int bar) {
    return f.at(bar * f.width / 8 + f.width / 16, f.height / 4);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, VirtualCameraControlTest,
    ::testing::Values(ControlCase{"brightness_up", cid::kBrightness, 64,
                                  [](const Frame& f) { return greyArea(f)[1] > 230; }},
                      ControlCase{"brightness_down", cid::kBrightness, -64,
                                  [](const Frame& f) { return greyArea(f)[1] < 30; }},
                      ControlCase{"contrast_zero", cid::kContrast, 0,
                                  [](const Frame& f) {
                                      return std::abs(barCentre(f, 0)[1] - barCentre(f, 7)[1]) < 12;
                                  }},
                      ControlCase{"saturation_zero", cid::kSaturation, 0,
                                  [](const Frame& f) {
                                      const uint8_t* yellow = barCentre(f, 1);
                                      return std::abs(yellow[0] - yellow[2]) < 12;
                                  }},
                      ControlCase{"hue_half_turn", cid::kHue, 180,
                                  [](const Frame& f) {
                                      const uint8_t* red = barCentre(f, 5);
                                      return red[0] < 60 && red[1] > 110 && red[2] > 110;
                                  }}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(VirtualCameraTest, StillTriggerEmitsExactlyOneFrame) {
    Rig rig({.stillPin = true});
    ASSERT_TRUE(rig.camera.hasStillPin());
    GstElement* live = rig.branch(
        "src",
        "capsfilter caps=video/x-raw,format=YUY2,width=640,height=480 ! appsink name=live "
        "sync=false",
        "live");
    GstElement* still = rig.branch("still",
                                   "capsfilter caps=image/jpeg,width=1280,height=720 ! jpegdec ! "
                                   "videoconvert ! video/x-raw,format=RGB ! "
                                   "appsink name=still sync=false",
                                   "still");
    auto liveRef = own(live);
    auto stillRef = own(still);
    rig.play();
    Sample s = pull(live, kWait);
    ASSERT_TRUE(s);
    EXPECT_EQ(rig.camera.stillFramesSent(), 0u);

    ASSERT_TRUE(rig.camera.trigger());
    Frame shot = pullRgb(still);
    ASSERT_EQ(shot.width, 1280);
    ASSERT_EQ(shot.height, 720);
    expectPattern(shot, 24);
    // Ten more live frames later there is still just the one.
    for (int i = 0; i < 10; ++i) pull(live, kWait);
    EXPECT_FALSE(pull(still, 0));
    EXPECT_EQ(rig.camera.stillFramesSent(), 1u);

    ASSERT_TRUE(rig.camera.trigger());
    EXPECT_FALSE(pullRgb(still).rgb.empty());
    EXPECT_EQ(rig.camera.stillFramesSent(), 2u);
    EXPECT_EQ(rig.camera.currentFormat(VirtualCameraOutput::Still),
              (VideoFormat{PixelFormat::Mjpg, 1280, 720, {30, 1}}));
    rig.expectNoError();
}

// The engine stops a graph (to NULL) and runs it again, and pauses it: both outputs come
// back each time, and the idle still branch never holds the pipeline up.
TEST(VirtualCameraTest, StillAndLiveSurviveRestartAndPause) {
    Rig rig({.stillPin = true});
    GstElement* live = rig.branch("src", "appsink name=live sync=true", "live");
    GstElement* still = rig.branch("still", "fakesink name=still sync=true", "still");
    auto liveRef = own(live);
    auto stillRef = own(still);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        rig.play();
        ASSERT_TRUE(pull(live, kWait));
        ASSERT_EQ(gst_element_get_state(rig.pipeline.get(), nullptr, nullptr, kWait),
                  GST_STATE_CHANGE_SUCCESS);
        const uint64_t before = rig.camera.stillFramesSent();
        ASSERT_TRUE(rig.camera.trigger());
        while (rig.camera.stillFramesSent() == before) ASSERT_TRUE(pull(live, kWait));
        EXPECT_EQ(rig.camera.stillFramesSent(), before + 1);

        ASSERT_NE(gst_element_set_state(rig.pipeline.get(), GST_STATE_PAUSED),
                  GST_STATE_CHANGE_FAILURE);
        rig.play();
        ASSERT_TRUE(pull(live, kWait));
        ASSERT_EQ(gst_element_get_state(rig.pipeline.get(), nullptr, nullptr, kWait),
                  GST_STATE_CHANGE_SUCCESS);
        rig.expectNoError();
        ASSERT_EQ(gst_element_set_state(rig.pipeline.get(), GST_STATE_NULL),
                  GST_STATE_CHANGE_SUCCESS);
    }
}

// Controls change from another thread while frames flow (a settings page on a running
// preview): the stream keeps going and ends showing the last setting.
TEST(VirtualCameraTest, ControlChangesWhileStreaming) {
    Rig rig;
    ASSERT_TRUE(rig.camera.setFormat({PixelFormat::Mjpg, 640, 480}));
    GstElement* sink = rig.branch("src",
                                  "jpegdec ! videoconvert ! video/x-raw,format=RGB ! appsink "
                                  "name=sink sync=false max-buffers=2 drop=true",
                                  "sink");
    auto sinkRef = own(sink);
    rig.play();
    ASSERT_TRUE(pull(sink, kWait));
    std::atomic<bool> done{false};
    std::thread changer([&] {
        for (int i = 0; i < 200; ++i) {
            rig.camera.setControl(cid::kBrightness, (i % 129) - 64);
            rig.camera.setControl(cid::kHue, (i * 7) % 361 - 180);
        }
        rig.camera.setControl(cid::kHue, 0);
        rig.camera.setControl(cid::kBrightness, -64);
        done = true;
    });
    while (!done) ASSERT_TRUE(pull(sink, kWait));
    changer.join();
    bool dark = false;
    for (int i = 0; i < 60 && !dark; ++i) {
        Frame f = pullRgb(sink);
        ASSERT_FALSE(f.rgb.empty());
        dark = f.at(f.width - 4, f.height - 4)[1] < 30;
    }
    EXPECT_TRUE(dark);
    rig.expectNoError();
}

TEST(VirtualCameraTest, TriggerRefusedWithoutLinkedStillOutput) {
    VirtualCamera plain = VirtualCamera::create({});
    EXPECT_FALSE(plain.hasStillPin());
    EXPECT_FALSE(plain.trigger());
    EXPECT_FALSE(plain.currentFormat(VirtualCameraOutput::Still).has_value());
    auto noStill = own<GstPad>(gst_element_get_static_pad(plain.element(), "still"));
    EXPECT_FALSE(noStill);

    // Still pin present but nothing linked to it: no trigger, and the stream runs on.
    Rig rig({.stillPin = true});
    GstElement* live = rig.branch("src", "appsink name=live sync=false", "live");
    auto liveRef = own<GstElement>(live);
    rig.play();
    ASSERT_TRUE(pull(live, kWait));
    EXPECT_FALSE(rig.camera.trigger());
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(pull(live, kWait));
    rig.expectNoError();
}

// Frames sent = frames the sink received, also across end of stream (a frame made while
// the end is pending is not sent and not counted). Timestamps: live, 1/30 s apart or more.
TEST(VirtualCameraTest, CounterMatchesDeliveredFramesAndTimestampsAdvance) {
    Rig rig;
    GstElement* sink =
        rig.branch("src", "fakesink name=sink sync=true signal-handoffs=true", "sink");
    auto sinkRef = own<GstElement>(sink);
    struct Seen {
        std::atomic<int> count{0};
        std::vector<GstClockTime> pts;  // written on the streaming thread only until EOS
    } seen;
    g_signal_connect(sink, "handoff",
                     G_CALLBACK(+[](GstElement*, GstBuffer* buffer, GstPad*, gpointer data) {
                         auto* s = static_cast<Seen*>(data);
                         s->pts.push_back(GST_BUFFER_PTS(buffer));
                         ++s->count;
                     }),
                     &seen);
    rig.play();
    auto bus = own<GstBus>(gst_element_get_bus(rig.pipeline.get()));
    while (seen.count < 12) {
        auto m = own<GstMessage>(
            gst_bus_timed_pop_filtered(bus.get(), 100 * GST_MSECOND, GST_MESSAGE_ERROR));
        ASSERT_FALSE(m) << "pipeline error";
    }
    GstQuery* latency = gst_query_new_latency();
    auto camPad = own<GstPad>(gst_element_get_static_pad(rig.camera.element(), "src"));
    ASSERT_TRUE(gst_pad_query(camPad.get(), latency));
    gboolean live = FALSE;
    GstClockTime minLatency = 0;
    gst_query_parse_latency(latency, &live, &minLatency, nullptr);
    gst_query_unref(latency);
    EXPECT_TRUE(live);
    EXPECT_EQ(minLatency, GST_SECOND / 30);

    gst_element_send_event(rig.pipeline.get(), gst_event_new_eos());
    auto end = own<GstMessage>(gst_bus_timed_pop_filtered(
        bus.get(), kWait, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    ASSERT_TRUE(end);
    ASSERT_EQ(GST_MESSAGE_TYPE(end.get()), GST_MESSAGE_EOS);
    EXPECT_EQ(rig.camera.framesSent(), uint64_t(seen.count.load()));

    const GstClockTime frame = GST_SECOND / 30;
    for (size_t i = 1; i < seen.pts.size(); ++i) {
        ASSERT_TRUE(GST_CLOCK_TIME_IS_VALID(seen.pts[i]));
        EXPECT_GE(seen.pts[i] - seen.pts[i - 1], frame) << "frame " << i;
    }
}

// The damaged-frame faults damage the odd frames of an MJPG stream and leave the even
// ones whole. Each frame's header is read as a decoder would; a damaged frame is one that
// a frame sink must refuse (or, without Huffman tables, decode with the standard ones).
class VirtualCameraDamageTest : public ::testing::TestWithParam<VirtualCameraFault> {};

TEST_P(VirtualCameraDamageTest, OddFramesDamagedEvenFramesWhole) {
    Rig rig;
    GstElement* sink = rig.branch(
        "src", "capsfilter caps=image/jpeg,width=640,height=480 ! appsink name=sink sync=false",
        "sink");
    auto sinkRef = own<GstElement>(sink);
    rig.camera.setFault(GetParam());
    rig.play();
    tjhandle decoder = tjInitDecompress();
    std::vector<uint8_t> rgb(640 * 480 * 3);
    for (int i = 0; i < 4; ++i) {
        Sample sample = pull(sink, kWait);
        ASSERT_TRUE(sample);
        GstBuffer* buffer = gst_sample_get_buffer(sample.get());
        GstMapInfo map;
        ASSERT_TRUE(gst_buffer_map(buffer, &map, GST_MAP_READ));
        const std::string bytes(reinterpret_cast<const char*>(map.data), map.size);
        int w = 0, h = 0, subsampling = 0, colourspace = 0;
        const bool header = tjDecompressHeader3(decoder, map.data, map.size, &w, &h, &subsampling,
                                                &colourspace) == 0;
        const bool decoded = header && tjDecompress2(decoder, map.data, map.size, rgb.data(), w, 0,
                                                     h, TJPF_RGB, 0) == 0;
        gst_buffer_unmap(buffer, &map);
        const bool damaged = GST_BUFFER_OFFSET(buffer) % 2 == 1;
        const bool hasTables = bytes.find("\xFF\xC4") != std::string::npos;
        SCOPED_TRACE(GST_BUFFER_OFFSET(buffer));
        if (!damaged || GetParam() == VirtualCameraFault::NoHuffmanTables) {
            EXPECT_TRUE(decoded);
            EXPECT_EQ(std::make_pair(w, h), std::make_pair(640, 480));
            EXPECT_EQ(hasTables, !damaged);
        } else if (GetParam() == VirtualCameraFault::OtherSize) {
            EXPECT_TRUE(decoded);
            EXPECT_EQ(std::make_pair(w, h), std::make_pair(320, 240));
        } else {
            EXPECT_FALSE(decoded);
        }
    }
    tjDestroy(decoder);
    rig.expectNoError();
}

INSTANTIATE_TEST_SUITE_P(Faults, VirtualCameraDamageTest,
                         ::testing::ValuesIn(lumi::devices::kFrameDamages),
                         [](const auto& test) { return VirtualCameraFaultName(test.param); });

}  // namespace
