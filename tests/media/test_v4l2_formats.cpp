#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/V4l2Formats.h"
#include "media/VirtualCamera.h"

using namespace lumi::devices;

namespace {

// Expected entry: format, size (range), rates highest first.
struct Expected {
    PixelFormat format;
    int minW, maxW, stepW, minH, maxH, stepH;
    std::vector<FrameRate> rates;
};

struct CapsCase {
    const char* label;
    const char* caps;
    std::vector<Expected> expected;
};

Expected fixed(PixelFormat f, int w, int h, std::vector<FrameRate> rates) {
    return {f, w, w, 1, h, h, 1, std::move(rates)};
}

class V4l2FormatsTest : public ::testing::TestWithParam<CapsCase> {};

TEST_P(V4l2FormatsTest, ParsesCapsIntoFormats) {
    const CapsCase& c = GetParam();
    std::vector<V4l2Format> got = V4l2Formats::fromCapsString(c.caps);
    ASSERT_EQ(got.size(), c.expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        const Expected& e = c.expected[i];
        const V4l2Format& f = got[i];
        EXPECT_EQ(f.pixelFormat, e.format);
        EXPECT_EQ(f.minWidth, e.minW);
        EXPECT_EQ(f.maxWidth, e.maxW);
        EXPECT_EQ(f.widthStep, e.stepW);
        EXPECT_EQ(f.minHeight, e.minH);
        EXPECT_EQ(f.maxHeight, e.maxH);
        EXPECT_EQ(f.heightStep, e.stepH);
        EXPECT_EQ(f.width, e.maxW);
        EXPECT_EQ(f.height, e.maxH);
        EXPECT_EQ(f.rates, e.rates);
        ASSERT_FALSE(e.rates.empty());
        EXPECT_EQ(f.maxRate, e.rates.front());
        EXPECT_EQ(f.minRate, e.rates.back());
        EXPECT_EQ(f.defaultFormat(), (VideoFormat{e.format, e.maxW, e.maxH, e.rates.front()}));
    }
}

const PixelFormat Y = PixelFormat::Yuy2;
const PixelFormat M = PixelFormat::Mjpg;

INSTANTIATE_TEST_SUITE_P(
    Caps, V4l2FormatsTest,
    ::testing::Values(
        CapsCase{"camera_order_kept_rates_sorted",
                 "image/jpeg, width=1920, height=1080, framerate={ 15/1, 30/1 }; "
                 "image/jpeg, width=640, height=480, framerate=30/1; "
                 "video/x-raw, format=YUY2, width=640, height=480, pixel-aspect-ratio=1/1, "
                 "colorimetry=bt601, framerate={ 10/1, 30/1, 20/1 }",
                 {fixed(M, 1920, 1080, {{30, 1}, {15, 1}}), fixed(M, 640, 480, {{30, 1}}),
                  fixed(Y, 640, 480, {{30, 1}, {20, 1}, {10, 1}})}},
        CapsCase{"ranges",
                 "video/x-raw, format=YUY2, width=[ 160, 1280, 16 ], height=[ 120, 720, 8 ], "
                 "framerate=[ 1/1, 30/1 ]",
                 {{Y, 160, 1280, 16, 120, 720, 8, {{30, 1}, {1, 1}}}}},
        CapsCase{"other_formats_and_memory_skipped",
                 "video/x-raw, format=NV12, width=640, height=480, framerate=30/1; "
                 "video/x-h264, width=1920, height=1080, framerate=30/1; "
                 "video/x-raw(memory:DMABuf), format=YUY2, width=800, height=600, "
                 "framerate=30/1; "
                 "video/x-raw, format={ NV12, YUY2 }, width=320, height=240, framerate=30/1",
                 {fixed(Y, 320, 240, {{30, 1}})}},
        CapsCase{"same_size_merged_equal_rates_once",
                 "image/jpeg, width=1280, height=720, framerate=30/1; "
                 "video/x-raw, format=YUY2, width=1280, height=720, framerate=5/1; "
                 "image/jpeg, width=1280, height=720, framerate={ 60/2, 15/1 }",
                 {fixed(M, 1280, 720, {{30, 1}, {15, 1}}), fixed(Y, 1280, 720, {{5, 1}})}},
        CapsCase{"variable_rate_left_out",
                 "image/jpeg, width=640, height=480, framerate={ 0/1, 25/1 }; "
                 "image/jpeg, width=320, height=240, framerate=0/1",
                 {fixed(M, 640, 480, {{25, 1}})}},
        CapsCase{"size_lists_pair_up",
                 "image/jpeg, width={ 640, 1280 }, height={ 480, 720 }, framerate=30/1",
                 {fixed(M, 640, 480, {{30, 1}}), fixed(M, 1280, 720, {{30, 1}})}},
        CapsCase{"incomplete_structures_skipped",
                 "image/jpeg, height=480, framerate=30/1; "
                 "video/x-raw, format=YUY2, width=640, height=480; "
                 "video/x-raw, width=640, height=480, framerate=30/1; "
                 "image/jpeg, width=0, height=480, framerate=30/1",
                 {}},
        CapsCase{"not_caps", "this is { not caps", {}}),
    [](const ::testing::TestParamInfo<CapsCase>& p) { return std::string(p.param.label); });

TEST(V4l2FormatsTest, AnyOrNullCapsGiveNothing) {
    EXPECT_TRUE(V4l2Formats::fromCaps(nullptr).empty());
    auto any = GstHandle<GstCaps>::adopt(gst_caps_new_any());
    EXPECT_TRUE(V4l2Formats::fromCaps(any.get()).empty());
}

TEST(V4l2FormatsTest, VirtualCameraCapsReadBackAsItsFormats) {
    auto caps = GstHandle<GstCaps>::adopt(VirtualCamera::allCaps());
    std::vector<V4l2Format> got = V4l2Formats::fromCaps(caps.get());
    const std::vector<VideoFormat>& want = VirtualCamera::formats();
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(got[i].defaultFormat(), want[i]);
}

TEST(VideoFormatTest, CapsAndFourcc) {
    VideoFormat f{PixelFormat::Mjpg, 1280, 720, {30, 1}};
    auto caps = GstHandle<GstCaps>::adopt(f.toCaps());
    auto expected = GstHandle<GstCaps>::adopt(
        gst_caps_from_string("image/jpeg, width=1280, height=720, framerate=30/1"));
    EXPECT_TRUE(gst_caps_is_equal(caps.get(), expected.get()));
    EXPECT_EQ(f.frameBytes(), 0u);
    EXPECT_EQ((VideoFormat{PixelFormat::Yuy2, 640, 480}).frameBytes(), 640u * 480u * 2u);
    EXPECT_EQ(fourccValue(PixelFormat::Mjpg), 0x47504A4Du);
    EXPECT_EQ(fourccValue(PixelFormat::Yuy2), 0x32595559u);
}

}  // namespace
