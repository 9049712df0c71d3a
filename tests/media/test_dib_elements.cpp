// A damaged JPEG frame is dropped, never decoded out of bounds; the converter gives
// videoconvert's pixels bottom-up.
#include "media/filters/DibElements.h"
#include "media/graph/MediaType.h"
#include "media/gst/GstHandle.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

GstHandle<GstElement> Launch(const std::string& description) {
    return GstHandle<GstElement>::share(gst_parse_launch(description.c_str(), nullptr));
}
GstHandle<GstElement> Child(const GstHandle<GstElement>& bin, const char* name) {
    return GstHandle<GstElement>::adopt(gst_bin_get_by_name(GST_BIN(bin.get()), name));
}
GstSample* Pull(const GstHandle<GstElement>& sink) {
    return gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 5 * GST_SECOND);
}

struct Damage {
    const char* name;
    void (*apply)(GstBuffer*& buffer);  // changes the second frame; the others stay good
};

class MediaJpegDecoderDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(MediaJpegDecoderDamage, DropsTheFrameAndKeepsDecoding) {
    RegisterDibElements();
    GstHandle<GstElement> pipeline = Launch(
        "videotestsrc num-buffers=4 ! video/x-raw,width=64,height=48,framerate=30/1 ! "
        "jpegenc ! identity name=damage ! lumijpegdibdec ! appsink name=out sync=false");
    ASSERT_TRUE(pipeline);
    auto pad = GstHandle<GstPad>::adopt(
        gst_element_get_static_pad(Child(pipeline, "damage").get(), "src"));
    static int seen;
    seen = 0;
    gst_pad_add_probe(
        pad.get(), GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo* info, gpointer apply) {
            if (++seen == 2) {
                GstBuffer* b = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
                reinterpret_cast<void (*)(GstBuffer*&)>(apply)(b);
                GST_PAD_PROBE_INFO_DATA(info) = b;
            }
            return GST_PAD_PROBE_OK;
        },
        reinterpret_cast<gpointer>(GetParam().apply), nullptr);
    GstHandle<GstElement> sink = Child(pipeline, "out");
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    int frames = 0;
    while (GstSample* sample = Pull(sink)) {
        EXPECT_EQ(gst_buffer_get_size(gst_sample_get_buffer(sample)),
                  gsize(DibStride(64, 24) * 48));
        ++frames;
        gst_sample_unref(sample);
    }
    auto bus = GstHandle<GstBus>::adopt(gst_element_get_bus(pipeline.get()));
    auto error = GstHandle<GstMessage>::adopt(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    EXPECT_FALSE(error);
    EXPECT_EQ(frames, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, MediaJpegDecoderDamage,
    ::testing::Values(
        Damage{"CutShort", [](GstBuffer*& b) { gst_buffer_resize(b, 0, 40); }},
        Damage{"Garbage",
               [](GstBuffer*& b) { gst_buffer_memset(b, 0, 0x5A, gst_buffer_get_size(b)); }},
        // A valid JPEG of another size than the caps say is not passed off as one of theirs.
        Damage{"OtherSize",
               [](GstBuffer*& b) {
                   GstHandle<GstElement> encode = Launch(
                       "videotestsrc num-buffers=1 ! video/x-raw,width=128,height=96 ! "
                       "jpegenc ! appsink name=big");
                   gst_element_set_state(encode.get(), GST_STATE_PLAYING);
                   if (GstSample* sample = Pull(Child(encode, "big"))) {
                       GstBuffer* other = gst_buffer_copy(gst_sample_get_buffer(sample));
                       gst_buffer_copy_into(other, b, GST_BUFFER_COPY_METADATA, 0, -1);
                       gst_buffer_unref(b);
                       b = other;
                       gst_sample_unref(sample);
                   }
                   gst_element_set_state(encode.get(), GST_STATE_NULL);
               }}),
    [](const auto& p) { return std::string(p.param.name); });

// One frame through "appsrc caps=<caps> ! <chain> ! appsink": the bytes that come out.
std::vector<guint8> Through(const std::string& caps, const std::string& chain,
                            const std::vector<guint8>& frame) {
    GstHandle<GstElement> pipeline =
        Launch("appsrc name=in caps=" + caps + " ! " + chain + " ! appsink name=out");
    if (!pipeline) return {};
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    gst_app_src_push_buffer(GST_APP_SRC(Child(pipeline, "in").get()),
                            gst_buffer_new_memdup(frame.data(), frame.size()));
    std::vector<guint8> bytes;
    if (GstSample* sample = Pull(Child(pipeline, "out"))) {
        GstMapInfo map;
        if (gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ)) {
            bytes.assign(map.data, map.data + map.size);
            gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
        }
        gst_sample_unref(sample);
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return bytes;
}

class MediaDibConvert : public ::testing::TestWithParam<std::pair<const char*, int>> {};

// Width 38: 16-pixel steps and a rest; random pixels.
TEST_P(MediaDibConvert, GivesVideoconvertsPixelsBottomUp) {
    RegisterDibElements();
    const auto [input, height] = GetParam();
    const int width = 38;
    const std::string caps =
        std::string(input) + ",width=38,height=" + std::to_string(height) + ",framerate=30/1";
    GstVideoInfo info;
    ASSERT_TRUE(gst_video_info_from_caps(
        &info, GstHandle<GstCaps>::adopt(gst_caps_from_string(caps.c_str())).get()));
    std::vector<guint8> frame(GST_VIDEO_INFO_SIZE(&info));
    std::mt19937 random(7);
    for (guint8& b : frame) b = guint8(random());
    for (const char* format : {"BGRx", "BGR"}) {
        SCOPED_TRACE(std::string(input) + " to " + format);
        const std::vector<guint8> reference =
            Through(caps, std::string("videoconvert ! video/x-raw,format=") + format, frame);
        const std::vector<guint8> ours =
            Through(caps, std::string("lumidibconvert ! video/x-dib,format=") + format, frame);
        const int bits = format[3] ? 32 : 24;
        const std::size_t stride = std::size_t(DibStride(width, bits));
        const std::size_t pixels = std::size_t(width * bits / 8);  // the rest pads the row
        ASSERT_EQ(ours.size(), stride * std::size_t(height));
        ASSERT_EQ(reference.size(), ours.size());
        for (int row = 0; row < height; ++row) {
            const guint8* mine = ours.data() + std::size_t(height - 1 - row) * stride;
            ASSERT_TRUE(std::equal(mine, mine + pixels, reference.data() + row * stride))
                << "row " << row;
            for (std::size_t x = 3; bits == 32 && x < stride; x += 4) ASSERT_EQ(mine[x], 0xFF);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, MediaDibConvert,
    ::testing::Values(
        // The camera's YUY2: BT.601 below 577 lines, BT.709 above with chroma on even pixels.
        std::pair{"video/x-raw,format=YUY2", 24}, std::pair{"video/x-raw,format=YUY2", 600},
        std::pair{"video/x-raw,format=YUY2,colorimetry=bt709", 24},
        // Taken by GStreamer's converter alone: full range, another format.
        std::pair{"video/x-raw,format=YUY2,colorimetry=1:4:0:0", 24},
        std::pair{"video/x-raw,format=NV12", 24}),
    [](const auto& p) { return "Case" + std::to_string(p.index); });

}  // namespace
