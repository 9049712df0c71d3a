// The crosshair rule: column width / 2 of every row and the whole storage row |height| / 2
// turn white, with rows padded to four bytes, and no byte outside the buffer is written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "frames/DrawCrosshair.h"

namespace {

// The white bytes the rule gives for a buffer that holds every row.
std::set<int> ExpectedWhite(int width, int height, int length) {
    std::set<int> white;
    const int stride = Rgb24Stride(width);
    const int rows = std::abs(height);
    for (int r = 0; r < rows; ++r)
        for (int b = 0; b < 3; ++b) white.insert(r * stride + (width / 2) * 3 + b);
    for (int b = 0; b < width * 3; ++b) white.insert((rows / 2) * stride + b);
    std::set<int> inside;
    for (int offset : white)
        if (offset < length) inside.insert(offset);
    return inside;
}

TEST(DrawCrosshair, EightByFourFrameHasTheDocumentedWhiteBytes) {
    std::vector<BYTE> frame(96, 0x11);
    DrawCrosshair(frame.data(), 8, 4, 96);
    std::set<int> white;
    for (int start : {12, 36, 60, 84})
        for (int b = 0; b < 3; ++b) white.insert(start + b);
    for (int b = 48; b <= 71; ++b) white.insert(b);
    for (int i = 0; i < 96; ++i)
        EXPECT_EQ(frame[std::size_t(i)], white.count(i) ? 0xFF : 0x11) << "byte " << i;
}

struct Shape {
    int width;
    int height;
    int length;  // -1: exactly the frame's size (stride x rows)
};

class CrosshairShapes : public ::testing::TestWithParam<Shape> {};

// Draws into a buffer with guard bytes on both sides and checks every byte.
TEST_P(CrosshairShapes, WritesTheRuleAndNothingOutsideTheBuffer) {
    const Shape s = GetParam();
    const int full = Rgb24Stride(s.width) * std::abs(s.height);
    const int length = s.length < 0 ? full : s.length;
    constexpr int kGuard = 64;
    std::vector<BYTE> memory(std::size_t(length + 2 * kGuard), 0x22);
    DrawCrosshair(memory.data() + kGuard, s.width, s.height, length);
    const std::set<int> white = ExpectedWhite(s.width, s.height, length);
    for (int i = -kGuard; i < length + kGuard; ++i) {
        const BYTE expected = (i >= 0 && i < length && white.count(i)) ? 0xFF : 0x22;
        ASSERT_EQ(memory[std::size_t(i + kGuard)], expected)
            << "byte " << i << " of " << s.width << "x" << s.height << " in " << length;
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, CrosshairShapes,
                         ::testing::Values(Shape{8, 4, -1},    // rows without padding
                                           Shape{5, 3, -1},    // 15-byte rows padded to 16
                                           Shape{7, 6, -1},    // 21 -> 24
                                           Shape{1, 1, -1},    // one pixel
                                           Shape{9, -5, -1},   // top-down rows
                                           Shape{640, 3, -1},  // wide and flat
                                           Shape{8, 4,
                                                 50},  // buffer shorter than the frame: clipped
                                           Shape{6, 4, 37},    // cut inside the middle row
                                           Shape{3, 100, 20},  // far taller than the buffer
                                           Shape{4000, 2, 10}  // a row longer than the buffer
                                           ));

TEST(DrawCrosshair, DegenerateInputChangesNothing) {
    std::vector<BYTE> frame(48, 0x33);
    DrawCrosshair(nullptr, 4, 4, 48);
    DrawCrosshair(frame.data(), 0, 4, 48);
    DrawCrosshair(frame.data(), -4, 4, 48);
    DrawCrosshair(frame.data(), 4, 0, 48);
    DrawCrosshair(frame.data(), 4, 4, 0);
    DrawCrosshair(frame.data(), 4, 4, -48);
    for (BYTE b : frame) ASSERT_EQ(b, 0x33);
}

TEST(DrawCrosshair, StrideIsPaddedToFourBytes) {
    EXPECT_EQ(Rgb24Stride(1), 4);
    EXPECT_EQ(Rgb24Stride(4), 12);
    EXPECT_EQ(Rgb24Stride(5), 16);
    EXPECT_EQ(Rgb24Stride(640), 1920);
    EXPECT_EQ(Rgb24Stride(0), 0);
    EXPECT_EQ(Rgb24Stride(-3), 0);
    EXPECT_EQ(Rgb24Stride(0x7FFFFFFF), 0);  // does not fit: no stride
}

}  // namespace
