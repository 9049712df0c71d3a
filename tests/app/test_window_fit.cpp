// The outer window size for a video size and a screen size.
#include <gtest/gtest.h>

#include "app/CLumivisorDlg.h"

namespace {

struct Fit {
    int videoWidth;
    int videoHeight;
    QSize screen;
    QSize outer;
};

class WindowFit : public ::testing::TestWithParam<Fit> {};

TEST_P(WindowFit, OuterSize) {
    const Fit f = GetParam();
    EXPECT_EQ(CLumivisorDlg::OuterSizeForVideo(f.videoWidth, f.videoHeight, f.screen), f.outer);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, WindowFit,
    ::testing::Values(
        Fit{640, 480, {1920, 1080}, {653, 538}}, Fit{1280, 720, {1920, 1080}, {1293, 778}},
        Fit{1920, 1080, {1920, 1080}, {1930, 1110}},
        Fit{1871, 1000, {1920, 1080}, {1884, 1058}},  // just below width - 48
        Fit{1872, 100, {1920, 1080}, {1930, 1110}},   // width decides alone
        Fit{640, 2000, {1920, 1080}, {653, 2058}},    // height never decides
        Fit{0, 480, {1920, 1080}, {653, 538}},        // unknown size
        Fit{640, 0, {1920, 1080}, {653, 538}}, Fit{-640, 480, {1920, 1080}, {653, 538}},
        Fit{640, -480, {1920, 1080}, {653, 538}},  // a top-down format
        Fit{640, 480, {800, 600}, {653, 538}}, Fit{1280, 720, {800, 600}, {810, 630}}));

}  // namespace
