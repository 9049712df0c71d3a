#include <gtest/gtest.h>

#include <QImage>

#include "app/CommandLine.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"

namespace {

struct CommandLineCase {
    QStringList args;
    int cameras;
    bool ok;
};

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, ParsesVirtualCameras) {
    const CommandLineOptions options = ParseCommandLine(GetParam().args);
    EXPECT_EQ(options.error.isEmpty(), GetParam().ok) << options.error.toStdString();
    if (GetParam().ok) {
        EXPECT_EQ(options.virtualCameras, GetParam().cameras);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Args, CommandLineTest,
    ::testing::Values(CommandLineCase{{}, 0, true},
                      CommandLineCase{{"--virtual-cameras", "3"}, 3, true},
                      CommandLineCase{{"--virtual-cameras=2"}, 2, true},
                      CommandLineCase{
                          {"-platform", "offscreen", "--virtual-cameras", "1"}, 1, true},
                      CommandLineCase{{"--virtual-cameras"}, 0, false},
                      CommandLineCase{{"--virtual-cameras", "x"}, 0, false},
                      CommandLineCase{{"--virtual-cameras", "-1"}, 0, false},
                      CommandLineCase{{"--virtual-cameras", "65"}, 0, false}));

TEST(ArtworkTest, RecordingIndicatorIsAYellowROnRedWithWhiteAround) {
    const QImage image = LoadBitmapResource(IDB_RECORDING);
    ASSERT_EQ(image.size(), QSize(41, 41));
    int white = 0, red = 0, yellow = 0, other = 0;
    for (int y = 0; y < 41; ++y) {
        for (int x = 0; x < 41; ++x) {
            const QRgb p = image.pixel(x, y) & 0xFFFFFF;
            if (p == 0xFFFFFF) {
                ++white;
            } else if (p == 0xFF0000) {
                ++red;
            } else if (p == 0xFFFF00) {
                ++yellow;
            } else {
                ++other;
            }
        }
    }
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.pixel(40, 40) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.pixel(20, 38) & 0xFFFFFF, 0xFFFFFFu);  // white band around the square
    EXPECT_GT(white, 200);
    EXPECT_GT(red, 400);
    EXPECT_GT(yellow, 150);
    EXPECT_LT(other, 200);  // the square's dark edge
    EXPECT_TRUE(LoadBitmapResource(999).isNull());
}

TEST(ArtworkTest, IconScalesToEverySize) {
    for (int size : {16, 32, 256}) {
        const QImage icon = LoadIconImage(IDR_MAINFRAME, size);
        ASSERT_EQ(icon.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);                  // rounded corner
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255);  // the lens
    }
    EXPECT_TRUE(LoadIconImage(1, 32).isNull());
}

}  // namespace
