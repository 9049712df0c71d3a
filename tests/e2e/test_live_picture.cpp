// The program's window on virtual cameras: start-up with three cameras, the moving picture
// it shows, the recording indicator over it, stretched over the resized window.
#include "WindowSupport.h"

using namespace e2e;

namespace {

const QColor kWhite(255, 255, 255), kBlack(0, 0, 0), kGrey(128, 128, 128);

// The camera's test picture: bars on top (white at the left, black at the right), grey below.
void ExpectTestPicture(const QImage& image, double top = 0.05) {
    EXPECT_TRUE(Near(ColourAt(image, 0.03, top), kWhite));
    EXPECT_TRUE(Near(ColourAt(image, 0.97, top), kBlack));
    EXPECT_TRUE(Near(ColourAt(image, 0.03, 0.95), kGrey));
    EXPECT_TRUE(Near(ColourAt(image, 0.97, 0.95), kGrey));
}

class LivePicture : public WindowTest {};

TEST_F(LivePicture, TheLastOfThreeCamerasOpensWithItsMovingPictureStretchedAndTheIndicator) {
    ASSERT_NO_FATAL_FAILURE(Start(3));
    EXPECT_EQ(DeviceMenu(),
              (QStringList{"Virtual Camera 1", "Virtual Camera 2", "Virtual Camera 3"}));
    EXPECT_EQ((std::vector<bool>{Checked(40056), Checked(40057), Checked(40058)}),
              (std::vector<bool>{false, false, true}));
    EXPECT_EQ(dlg.SelectedDevice, 2);
    EXPECT_TRUE(Open());
    EXPECT_EQ(QSize(FrameInfo.biWidth, FrameInfo.biHeight), QSize(640, 480));
    EXPECT_EQ(Operation(), kDeviceOpen);
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    EXPECT_TRUE(Centred());
    EXPECT_TRUE(session.messages.isEmpty());

    // The marker (between 63 % and 74 % of the height) moves from frame to frame.
    const QImage first = GrabPicture(dlg);
    ExpectTestPicture(first);
    ASSERT_TRUE(WaitForFrames(3));
    const QRect marker(0, int(0.63 * first.height()), first.width(), int(0.11 * first.height()));
    EXPECT_NE(first.copy(marker), GrabPicture(dlg).copy(marker));

    // The indicator covers picture columns 599..639, rows 0..40; its white is transparent.
    dlg.IsRecording = true;
    const QImage recording = GrabPicture(dlg);
    const QColor centre = ColourAt(recording, 619.5 / 640, 20.5 / 480);
    EXPECT_TRUE(centre.red() > 180 && centre.blue() < 80) << centre.name().toStdString();
    EXPECT_TRUE(Near(ColourAt(recording, 599.5 / 640, 0.5 / 480), kBlack, 24));
    dlg.IsRecording = false;
    EXPECT_TRUE(Near(ColourAt(GrabPicture(dlg), 619.5 / 640, 20.5 / 480), kBlack, 24));

    // Stretched over a resized window, without keeping its shape.
    dlg.resize(1000, 300);
    ASSERT_TRUE(WaitForFrames(1));
    const QImage stretched = GrabPicture(dlg);
    EXPECT_EQ(stretched.width(), 1000);
    ExpectTestPicture(stretched, 0.02);
}

}  // namespace
