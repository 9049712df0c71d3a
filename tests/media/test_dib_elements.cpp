// A damaged camera's JPEG frames are dropped, never decoded out of bounds (let through
// undecoded: damage found later leaves them without pixels); the converter gives
// videoconvert's pixels bottom-up.
#include "media/com/ComPtr.h"
#include "media/devices/virtual/VirtualCamera.h"
#include "media/devices/virtual/VirtualCameraPattern.h"
#include "media/filters/DibElements.h"
#include "media/graph/JpegFrame.h"
#include "media/graph/MediaSample.h"
#include "media/graph/MediaType.h"
#include "media/gst/GstHandle.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

using lumi::devices::kFrameDamages;
using lumi::devices::VirtualCamera;
using lumi::devices::VirtualCameraFault;
using lumi::devices::VirtualCameraFaultName;
using lumi::devices::VirtualCameraPattern;

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

// A fault, and whether the decoder lets whole frames through undecoded.
class MediaJpegDecoderDamage
    : public ::testing::TestWithParam<std::tuple<VirtualCameraFault, bool>> {};

// Every other frame of a damaged camera: dropped with a warning unless whole at the negotiated
// size, never decoded out of bounds; the frames between come through.
TEST_P(MediaJpegDecoderDamage, DropsDamagedFramesAndKeepsDecoding) {
    const auto [fault, deferred] = GetParam();
    RegisterDibElements();
    VirtualCamera::registerElements();
    GstHandle<GstElement> pipeline = Launch(
        std::string("lumivirtualcam name=cam ! image/jpeg,width=640,height=480 ! lumijpegdibdec "
                    "name=dec deferred=") +
        (deferred ? "true" : "false") + " ! appsink name=out sync=false");
    ASSERT_TRUE(pipeline);
    VirtualCamera::fromElement(Child(pipeline, "cam").get()).setFault(fault);
    // What the damaged frames hold: their header's width, Huffman tables.
    static std::atomic<int> damagedWidth, damagedTables;
    damagedWidth = damagedTables = 0;
    auto pad =
        GstHandle<GstPad>::adopt(gst_element_get_static_pad(Child(pipeline, "dec").get(), "sink"));
    gst_pad_add_probe(
        pad.get(), GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo* info, gpointer) {
            GstBuffer* b = GST_PAD_PROBE_INFO_BUFFER(info);
            GstMapInfo map;
            if (GST_BUFFER_OFFSET(b) % 2 == 1 && gst_buffer_map(b, &map, GST_MAP_READ)) {
                tjhandle decoder = tjInitDecompress();
                int w = 0, h = 0, subsampling = 0, colourspace = 0;
                if (tjDecompressHeader3(decoder, map.data, map.size, &w, &h, &subsampling,
                                        &colourspace) == 0)
                    damagedWidth = w;
                damagedTables += std::string_view(reinterpret_cast<const char*>(map.data), map.size)
                                     .find("\xFF\xC4") != std::string_view::npos;
                tjDestroy(decoder);
                gst_buffer_unmap(b, &map);
            }
            return GST_PAD_PROBE_OK;
        },
        nullptr, nullptr);
    GstHandle<GstElement> sink = Child(pipeline, "out");
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    // Lost data shows only when decoded: let through undecoded, such a frame has no pixels.
    const bool lost = fault == VirtualCameraFault::LostData;
    int damaged = 0;
    for (int i = 0; i < 6; ++i) {
        GstSample* sample = Pull(sink);
        ASSERT_TRUE(sample);
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        EXPECT_EQ(gst_buffer_get_size(buffer), gsize(DibStride(640, 24) * 480));
        const bool odd = GST_BUFFER_OFFSET(buffer) % 2;
        damaged += odd;
        BYTE* pixels = nullptr;
        GstBuffer* own = gst_buffer_copy_deep(buffer);  // writable, as the grabber's
        EXPECT_EQ(ComPtr<MediaSample>::adopt(new MediaSample(own))->GetPointer(&pixels),
                  odd && lost && deferred ? E_FAIL : S_OK);
        gst_buffer_unref(own);
        gst_sample_unref(sample);
    }
    auto bus = GstHandle<GstBus>::adopt(gst_element_get_bus(pipeline.get()));
    const bool whole = fault == VirtualCameraFault::NoHuffmanTables || (lost && deferred);
    EXPECT_EQ(damaged > 0, whole);
    EXPECT_EQ(
        bool(GstHandle<GstMessage>::adopt(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_WARNING))),
        !whole);
    EXPECT_FALSE(GstHandle<GstMessage>::adopt(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR)));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    EXPECT_TRUE(!whole || lost || (damagedWidth == 640 && damagedTables == 0));
    EXPECT_TRUE(fault != VirtualCameraFault::OtherSize || damagedWidth == 320);
}

INSTANTIATE_TEST_SUITE_P(Faults, MediaJpegDecoderDamage,
                         ::testing::Combine(::testing::ValuesIn(kFrameDamages), ::testing::Bool()),
                         [](const auto& p) {
                             return std::string(VirtualCameraFaultName(std::get<0>(p.param))) +
                                    (std::get<1>(p.param) ? "Deferred" : "");
                         });

// A frame let through undecoded keeps none of the camera's buffers, of which it has few.
TEST(MediaJpegDecoder, AFrameLetThroughUndecodedKeepsNoCameraBuffer) {
    RegisterDibElements();
    GstHandle<GstElement> pipeline = Launch(
        "appsrc name=in caps=image/jpeg,width=64,height=48,framerate=30/1 ! "
        "lumijpegdibdec deferred=true ! appsink name=out");
    ASSERT_TRUE(pipeline);
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    const std::vector<uint8_t> jpeg = VirtualCameraPattern::renderJpeg(64, 48, 0, {});
    GstBuffer* buffer = gst_buffer_new_memdup(jpeg.data(), jpeg.size());
    static bool released;
    released = false;
    gst_mini_object_weak_ref(
        GST_MINI_OBJECT(buffer), [](gpointer, GstMiniObject*) { released = true; }, nullptr);
    gst_app_src_push_buffer(GST_APP_SRC(Child(pipeline, "in").get()), buffer);
    GstSample* sample = Pull(Child(pipeline, "out"));
    ASSERT_TRUE(sample);
    EXPECT_TRUE(JpegFrame::Of(gst_sample_get_buffer(sample)));
    EXPECT_TRUE(released);
    gst_sample_unref(sample);
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
}

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
        // Taken by GStreamer's converter alone: full range, another format.
        std::pair{"video/x-raw,format=YUY2,colorimetry=1:4:0:0", 24},
        std::pair{"video/x-raw,format=NV12", 24}),
    [](const auto& p) { return "Case" + std::to_string(p.index); });

}  // namespace
