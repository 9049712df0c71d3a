// The command line, and the program's own artwork: the recording indicator and the icon.
#include <gtest/gtest.h>

#include <QImage>
#include <map>

#include "app/CommandLine.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"

namespace {

struct CommandLineCase {
    QStringList args;
    int cameras;  // -1: refused
};

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, ParsesVirtualCameras) {
    const CommandLineOptions options = ParseCommandLine(GetParam().args);
    EXPECT_EQ(options.error.isEmpty(), GetParam().cameras >= 0) << options.error.toStdString();
    if (GetParam().cameras >= 0) {
        EXPECT_EQ(options.virtualCameras, GetParam().cameras);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Args, CommandLineTest,
    ::testing::Values(CommandLineCase{{}, 0}, CommandLineCase{{"--virtual-cameras", "3"}, 3},
                      CommandLineCase{{"--virtual-cameras=2"}, 2},
                      CommandLineCase{{"-platform", "offscreen", "--virtual-cameras", "1"}, 1},
                      CommandLineCase{{"--virtual-cameras"}, -1},
                      CommandLineCase{{"--virtual-cameras", "x"}, -1},
                      CommandLineCase{{"--virtual-cameras", "-1"}, -1},
                      CommandLineCase{{"--virtual-cameras", "65"}, -1}));

TEST(ArtworkTest, RecordingIndicatorIsAYellowROnRedWithWhiteAround) {
    const QImage image = LoadBitmapResource(IDB_RECORDING);
    ASSERT_EQ(image.size(), QSize(41, 41));
    std::map<QRgb, int> count;  // white, red, yellow; anything else is the square's dark edge
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) {
            const QRgb p = image.pixel(x, y) & 0xFFFFFF;
            ++count[p == 0xFFFFFF || p == 0xFF0000 || p == 0xFFFF00 ? p : 0];
        }
    for (QPoint corner : {QPoint(0, 0), QPoint(40, 40), QPoint(20, 38)})  // a white band
        EXPECT_EQ(image.pixel(corner) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_GT(count[0xFFFFFF], 200);
    EXPECT_GT(count[0xFF0000], 400);
    EXPECT_GT(count[0xFFFF00], 150);
    EXPECT_LT(count[0], 200);
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
