#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdlib>
#include <vector>

#include "media/VirtualCamera.h"
#include "media/VirtualCameraPattern.h"

using namespace lumi::devices;

namespace {

using P = VirtualCameraPattern;

struct Size {
    int w, h;
};

class PatternGeometryTest : public ::testing::TestWithParam<Size> {};

// The layout documented for tests of the frame path: bars on top, grey below, and a marker
// that moves but never reaches the corners, the bottom rows or the right-most column.
TEST_P(PatternGeometryTest, LayoutAsDocumented) {
    const auto [w, h] = GetParam();
    for (int k = 0; k < P::kFrameCount; ++k) {
        SCOPED_TRACE("frame " + std::to_string(k));
        for (int bar = 0; bar < P::kBarCount; ++bar)
            EXPECT_EQ(P::colourIndexAt(w, h, k, bar * w / 8 + w / 16, h / 4), bar);
        EXPECT_EQ(P::colourIndexAt(w, h, k, 0, 0), 0);
        EXPECT_EQ(P::colourIndexAt(w, h, k, w - 1, 0), 7);
        EXPECT_EQ(P::colourIndexAt(w, h, k, w - 1, h / 2 - 1), 7);
        for (int y = h / 2; y < h; ++y) EXPECT_EQ(P::colourIndexAt(w, h, k, w - 1, y), P::kGrey);
        for (int x = 0; x < w; ++x) EXPECT_EQ(P::colourIndexAt(w, h, k, x, h - 1), P::kGrey);
        P::Marker m = P::marker(w, h, k);
        EXPECT_GE(m.x, w / 8);
        EXPECT_LE(m.x + m.size, w * 7 / 8);
        EXPECT_GE(m.y, h * 5 / 8);
        EXPECT_LE(m.y + m.size, h * 3 / 4);
        EXPECT_EQ(m.x % 2, 0);
        EXPECT_EQ(P::colourIndexAt(w, h, k, m.x, m.y), P::kMarker);
        EXPECT_EQ(P::colourIndexAt(w, h, k, m.x + m.size - 1, m.y + m.size - 1), P::kMarker);
        EXPECT_EQ(P::colourIndexAt(w, h, k, m.x + m.size, m.y), P::kGrey);
        if (k > 0) {
            EXPECT_GT(m.x, P::marker(w, h, k - 1).x);
        }
    }
}

TEST_P(PatternGeometryTest, RenderedFormatsMatchTheLayout) {
    const auto [w, h] = GetParam();
    PictureControls defaults;
    std::vector<uint8_t> rgb = P::renderRgb(w, h, 3, defaults);
    ASSERT_EQ(rgb.size(), size_t(w) * h * 3);
    for (int y : {0, h / 3, h / 2, h * 5 / 8 + 2, h - 1})
        for (int x : {0, w / 5, w / 2, w - 1}) {
            const Rgb& want = P::baseColours()[size_t(P::colourIndexAt(w, h, 3, x, y))];
            const uint8_t* px = &rgb[(size_t(y) * w + x) * 3];
            EXPECT_EQ((Rgb{px[0], px[1], px[2]}), want) << x << "," << y;
        }
    EXPECT_EQ(P::renderYuy2(w, h, 3, defaults).size(), size_t(w) * h * 2);

    std::vector<uint8_t> jpeg = P::renderJpeg(w, h, 3, defaults);
    ASSERT_GT(jpeg.size(), 2u);
    tjhandle tj = tjInitDecompress();
    int jw = 0, jh = 0, sub = 0, space = 0;
    ASSERT_EQ(tjDecompressHeader3(tj, jpeg.data(), jpeg.size(), &jw, &jh, &sub, &space), 0);
    EXPECT_EQ(jw, w);
    EXPECT_EQ(jh, h);
    EXPECT_EQ(sub, TJSAMP_422);
    std::vector<uint8_t> decoded(size_t(w) * h * 3);
    ASSERT_EQ(tjDecompress2(tj, jpeg.data(), jpeg.size(), decoded.data(), w, 0, h, TJPF_RGB, 0), 0);
    tjDestroy(tj);
    const uint8_t* topRight = &decoded[(size_t(h / 4) * w + w - 1) * 3];
    const uint8_t* bottomRight = &decoded[(size_t(h - 1) * w + w - 1) * 3];
    EXPECT_LT(topRight[0] + topRight[1] + topRight[2], 30);
    EXPECT_NEAR(bottomRight[1], 128, 6);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PatternGeometryTest,
                         ::testing::Values(Size{640, 480}, Size{1280, 720}, Size{1920, 1080}),
                         [](const auto& p) {
                             return std::to_string(p.param.w) + "x" + std::to_string(p.param.h);
                         });

TEST(PatternControlsTest, DefaultsKeepColoursOthersChangeThem) {
    for (const Rgb& c : P::baseColours()) EXPECT_EQ(P::applyControls(c, {}), c);
    const Rgb grey{128, 128, 128}, red{255, 0, 0}, yellow{255, 255, 0};
    EXPECT_GT(P::applyControls(grey, {.brightness = 64}).g, 240);
    EXPECT_LT(P::applyControls(grey, {.brightness = -64}).g, 10);
    Rgb flat = P::applyControls(Rgb{255, 255, 255}, {.contrast = 0});
    EXPECT_EQ(flat, grey);
    Rgb washed = P::applyControls(yellow, {.saturation = 0});
    EXPECT_EQ(washed.r, washed.g);
    EXPECT_EQ(washed.g, washed.b);
    Rgb turned = P::applyControls(red, {.hue = 180});
    EXPECT_LT(turned.r, 40);
    EXPECT_GT(turned.g, 120);
    EXPECT_GT(turned.b, 120);
}

TEST(PatternFramesTest, SharedPerFormatAndSetting) {
    VideoFormat f{PixelFormat::Yuy2, 640, 480};
    auto a = P::frames(f, {});
    auto b = P::frames(f, {});
    auto c = P::frames(f, {.brightness = 10});
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(a.get(), c.get());
    ASSERT_EQ(a->frames.size(), size_t(P::kFrameCount));
    for (int k = 1; k < P::kFrameCount; ++k)
        EXPECT_NE(a->frames[size_t(k)], a->frames[size_t(k - 1)]);
    EXPECT_EQ(P::frames({PixelFormat::Yuy2, 641, 480}, {}), nullptr);  // odd width: no YUY2
}

}  // namespace
