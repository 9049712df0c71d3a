// The virtual camera's damaged frames, which the program's fault tests rely on.
#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <gst/app/gstappsink.h>
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <string>
#include <vector>

#include "media/devices/virtual/VirtualCamera.h"

using namespace lumi::devices;

namespace {

// Odd MJPG frames damaged (refused by a decoder, or without Huffman tables decodable), even whole.
class VirtualCameraDamageTest : public ::testing::TestWithParam<VirtualCameraFault> {};

TEST_P(VirtualCameraDamageTest, OddFramesDamagedEvenFramesWhole) {
    VirtualCamera::registerElements();
    auto pipeline = GstHandle<GstElement>::share(gst_parse_launch(
        "lumivirtualcam name=cam ! image/jpeg,width=640,height=480 ! appsink name=sink sync=false",
        nullptr));
    auto cam = GstHandle<GstElement>::adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "cam"));
    auto sink = GstHandle<GstElement>::adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
    VirtualCamera::fromElement(cam.get()).setFault(GetParam());
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    tjhandle decoder = tjInitDecompress();
    std::vector<uint8_t> rgb(640 * 480 * 3);
    for (int i = 0; i < 4; ++i) {
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 10 * GST_SECOND);
        ASSERT_TRUE(sample);
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        ASSERT_TRUE(gst_buffer_map(buffer, &map, GST_MAP_READ));
        const std::string bytes(reinterpret_cast<const char*>(map.data), map.size);
        const bool damaged = GST_BUFFER_OFFSET(buffer) % 2 == 1;
        int w = 0, h = 0, subsampling = 0, colourspace = 0;
        const bool decoded =
            tjDecompressHeader3(decoder, map.data, map.size, &w, &h, &subsampling, &colourspace) ==
                0 &&
            tjDecompress2(decoder, map.data, map.size, rgb.data(), w, 0, h, TJPF_RGB, 0) == 0;
        gst_buffer_unmap(buffer, &map);
        gst_sample_unref(sample);
        if (!damaged || GetParam() == VirtualCameraFault::NoHuffmanTables) {
            EXPECT_TRUE(decoded && w == 640 && h == 480);
            EXPECT_EQ(bytes.find("\xFF\xC4") != std::string::npos, !damaged);  // Huffman tables
        } else {
            EXPECT_EQ(decoded, GetParam() == VirtualCameraFault::OtherSize);
            EXPECT_TRUE(!decoded || (w == 320 && h == 240));
        }
    }
    tjDestroy(decoder);
    auto bus = GstHandle<GstBus>::adopt(gst_element_get_bus(pipeline.get()));
    EXPECT_FALSE(GstHandle<GstMessage>::adopt(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR)));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
}

INSTANTIATE_TEST_SUITE_P(Faults, VirtualCameraDamageTest, ::testing::ValuesIn(kFrameDamages),
                         [](const auto& test) { return VirtualCameraFaultName(test.param); });

}  // namespace
