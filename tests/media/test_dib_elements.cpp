// The layer's own elements on bad input: a JPEG frame that is cut short or does not match
// the negotiated size is dropped (never decoded out of bounds), the stream goes on.
#include "media/DibElements.h"
#include "media/GstHandle.h"
#include "media/MediaType.h"

#include <gst/app/gstappsink.h>
#include <gtest/gtest.h>

namespace {

struct Damage {
    const char* name;
    // Changes the second frame; the others stay good.
    void (*apply)(GstBuffer*& buffer);
};

class MediaJpegDecoderDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(MediaJpegDecoderDamage, DropsTheFrameAndKeepsDecoding) {
    RegisterDibElements();
    GstHandle<GstElement> pipeline = GstHandle<GstElement>::share(gst_parse_launch(
        "videotestsrc num-buffers=4 ! video/x-raw,width=64,height=48,framerate=30/1 ! jpegenc ! "
        "identity name=damage ! lumijpegdibdec ! appsink name=out sync=false",
        nullptr));
    ASSERT_TRUE(pipeline);
    GstHandle<GstElement> damage =
        GstHandle<GstElement>::adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "damage"));
    GstHandle<GstPad> pad =
        GstHandle<GstPad>::adopt(gst_element_get_static_pad(damage.get(), "src"));
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
    GstHandle<GstElement> sink =
        GstHandle<GstElement>::adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    int frames = 0;
    while (GstSample* sample =
               gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 5 * GST_SECOND)) {
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        EXPECT_EQ(gst_buffer_get_size(buffer), gsize(DibStride(64, 24) * 48));
        ++frames;
        gst_sample_unref(sample);
    }
    GstHandle<GstBus> bus = GstHandle<GstBus>::adopt(gst_element_get_bus(pipeline.get()));
    GstHandle<GstMessage> error =
        GstHandle<GstMessage>::adopt(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    EXPECT_FALSE(error) << GetParam().name;
    EXPECT_EQ(frames, 3) << GetParam().name;
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
                   GstHandle<GstElement> encode = GstHandle<GstElement>::share(gst_parse_launch(
                       "videotestsrc num-buffers=1 ! video/x-raw,width=128,height=96 ! jpegenc ! "
                       "appsink name=big",
                       nullptr));
                   GstHandle<GstElement> big = GstHandle<GstElement>::adopt(
                       gst_bin_get_by_name(GST_BIN(encode.get()), "big"));
                   gst_element_set_state(encode.get(), GST_STATE_PLAYING);
                   GstSample* sample =
                       gst_app_sink_try_pull_sample(GST_APP_SINK(big.get()), 5 * GST_SECOND);
                   if (sample) {
                       GstBuffer* other = gst_buffer_copy(gst_sample_get_buffer(sample));
                       gst_buffer_copy_into(other, b, GST_BUFFER_COPY_METADATA, 0, -1);
                       gst_buffer_unref(b);
                       b = other;
                       gst_sample_unref(sample);
                   }
                   gst_element_set_state(encode.get(), GST_STATE_NULL);
               }}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
