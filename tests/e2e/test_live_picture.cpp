// The program's window on virtual cameras: start-up with three cameras, the moving picture
// it shows, stretching, the recording indicator, freeze and crosshair on screen.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <chrono>
#include <thread>

#include "E2eSupport.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/FrameState.h"
#include "media/VirtualCameraProvider.h"
#include "platform/Menu.h"
#include "resources/ResourceIds.h"
#include "settings/SharedState.h"

using namespace e2e;
using lumi::devices::VirtualCameraProvider;

namespace {

constexpr UINT kOperation[] = {ID_SNAP,       ID_START_RECORDER, ID_STOP_RECORDER,
                               ID_CROSSHAIRS, ID_FILTER,         ID_RESOLUTION};

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kGrey(128, 128, 128);

bool Enabled(const CLumivisorDlg& dlg, UINT id) {
    return FindMenuCommand(dlg.MenuBar(), id)->isEnabled();
}

bool Checked(const CLumivisorDlg& dlg, UINT id) {
    QAction* item = FindMenuCommand(dlg.MenuBar(), id);
    return item != nullptr && item->isChecked();
}

// Waits until the window has drawn n more frames than now.
bool WaitForFrames(CLumivisorDlg& dlg, int n) {
    const int start = dlg.FramesPainted;
    return WaitFor([&] { return dlg.FramesPainted >= start + n; });
}

TEST(LivePicture, ThreeCamerasOpenTheThirdCentredWithItsMovingPicture) {
    Session session;
    VirtualCameraProvider::addNumberedCameras(3);
    CLumivisorDlg dlg;
    dlg.Create();

    QMenu* devices = GetSubMenu(dlg.MenuBar(), 1);
    EXPECT_EQ(MenuIds(devices), (QList<UINT>{40056, 40057, 40058}));
    EXPECT_EQ(MenuTexts(devices),
              (QStringList{"Virtual Camera 1", "Virtual Camera 2", "Virtual Camera 3"}));
    EXPECT_FALSE(Checked(dlg, 40056));
    EXPECT_FALSE(Checked(dlg, 40057));
    EXPECT_TRUE(Checked(dlg, 40058));
    EXPECT_EQ(dlg.SelectedDevice, 2);
    EXPECT_TRUE(theApp.m_CaptureVideo.m_pCaptureFilter && theApp.m_CaptureVideo.m_pCaptureBuilder);
    EXPECT_EQ(dlg.VideoWidth, 640);
    EXPECT_EQ(dlg.VideoHeight, 480);
    EXPECT_EQ(FrameInfo.biSize, 40u);
    EXPECT_EQ(FrameInfo.biWidth, 640);
    EXPECT_EQ(FrameInfo.biHeight, 480);
    EXPECT_EQ(FrameInfo.biPlanes, 1);
    EXPECT_EQ(FrameInfo.biBitCount, 24);
    for (UINT id : kOperation) EXPECT_EQ(Enabled(dlg, id), id != ID_STOP_RECORDER) << id;
    EXPECT_TRUE(session.messages.isEmpty());

    // 653 x 538 for a 640 x 480 picture, centred on the 1920 x 1080 screen.
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(area.size(), QSize(1920, 1080));
    EXPECT_EQ(dlg.frameGeometry().center(), area.center());

    // The camera's test picture: bars on top (white at the left, black at the right),
    // grey below, the marker moving from frame to frame.
    ASSERT_TRUE(WaitForFrames(dlg, 1));
    const QImage first = GrabPicture(dlg);
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(Near(ColourAt(first, 0.03, 0.05), kWhite))
        << ColourAt(first, 0.03, 0.05).name().toStdString();
    EXPECT_TRUE(Near(ColourAt(first, 0.97, 0.05), kBlack));
    EXPECT_TRUE(Near(ColourAt(first, 0.03, 0.95), kGrey));
    EXPECT_TRUE(Near(ColourAt(first, 0.97, 0.95), kGrey));
    ASSERT_TRUE(WaitForFrames(dlg, 3));
    const QImage later = GrabPicture(dlg);
    const int top = int(0.63 * first.height());
    const int bottom = int(0.74 * first.height());
    EXPECT_NE(first.copy(0, top, first.width(), bottom - top),
              later.copy(0, top, later.width(), bottom - top));
}

TEST(LivePicture, PictureFillsTheResizedWindowWithoutKeepingItsShape) {
    Session session;
    VirtualCameraProvider::addNumberedCameras(1);
    CLumivisorDlg dlg;
    dlg.Create();
    ASSERT_TRUE(WaitForFrames(dlg, 1));
    dlg.resize(1000, 300);
    ASSERT_TRUE(WaitForFrames(dlg, 1));
    const QImage image = GrabPicture(dlg);
    EXPECT_EQ(image.width(), 1000);
    EXPECT_TRUE(Near(ColourAt(image, 0.02, 0.02), kWhite));
    EXPECT_TRUE(Near(ColourAt(image, 0.98, 0.02), kBlack));
    EXPECT_TRUE(Near(ColourAt(image, 0.02, 0.98), kGrey));
    EXPECT_TRUE(Near(ColourAt(image, 0.98, 0.98), kGrey));
}

TEST(LivePicture, RecordingIndicatorSitsTopRightWithWhiteTransparent) {
    Session session;
    VirtualCameraProvider::addNumberedCameras(1);
    CLumivisorDlg dlg;
    dlg.Create();
    ASSERT_TRUE(WaitForFrames(dlg, 1));
    dlg.IsRecording = true;
    const QImage image = GrabPicture(dlg);
    // The indicator covers picture columns 599..639 and rows 0..40 of 640 x 480.
    const QColor centre = ColourAt(image, 619.5 / 640, 20.5 / 480);
    EXPECT_GT(centre.red(), 180) << centre.name().toStdString();
    EXPECT_LT(centre.blue(), 80) << centre.name().toStdString();
    // Its white corner is transparent: the black bar shows through.
    EXPECT_TRUE(Near(ColourAt(image, 599.5 / 640, 0.5 / 480), kBlack, 24));
    dlg.IsRecording = false;
    const QImage after = GrabPicture(dlg);
    EXPECT_TRUE(Near(ColourAt(after, 619.5 / 640, 20.5 / 480), kBlack, 24));
}

TEST(LivePicture, FrozenPreviewKeepsThePictureAndCrosshairIsDrawnIntoIt) {
    Session session;
    VirtualCameraProvider::addNumberedCameras(1);
    CLumivisorDlg dlg;
    dlg.Create();
    ASSERT_TRUE(WaitForFrames(dlg, 1));

    dlg.OnCrosshairs();
    EXPECT_TRUE(FrameCallback.CrosshairOn.load());
    ASSERT_TRUE(WaitForFrames(dlg, 2));
    const QImage crossed = GrabPicture(dlg);
    // The horizontal line crosses the picture at its middle, here between the blue bar
    // and the grey half; the vertical one runs down the middle through the grey half.
    const int row = crossed.height() / 2;
    bool whiteInMiddleRow = false;
    for (int dy = -2; dy <= 2; ++dy)
        whiteInMiddleRow |= Near(crossed.pixelColor(crossed.width() * 8 / 10, row + dy), kWhite);
    EXPECT_TRUE(whiteInMiddleRow);
    const int column = crossed.width() / 2;
    bool whiteInMiddleColumn = false;
    for (int dx = -2; dx <= 2; ++dx)
        whiteInMiddleColumn |=
            Near(crossed.pixelColor(column + dx, crossed.height() * 9 / 10), kWhite);
    EXPECT_TRUE(whiteInMiddleColumn);

    PreviewFrozen = 1;
    const QImage frozen = GrabPicture(dlg);
    // Frames keep arriving (the marker moves every frame); the picture stays.
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        QCoreApplication::processEvents();
        EXPECT_EQ(GrabPicture(dlg), frozen);
    }
    PreviewFrozen = 0;
}

TEST(LivePicture, WindowForAFullScreenVideoIsLargerThanTheScreen) {
    Session session;
    CLumivisorDlg dlg;
    dlg.Create();
    dlg.VideoWidth = 1920;
    dlg.VideoHeight = 1080;
    dlg.FitWindowToVideo();
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(1930, 1110));
}

}  // namespace
