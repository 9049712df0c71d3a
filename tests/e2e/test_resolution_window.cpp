// Resolution and Filter on the program's window with virtual cameras: the window, FrameInfo
// and the picture follow the chosen frame size; Filter's frame is captioned with the
// filter's name; Resolution cannot be chosen while recording; a device notice that arrives
// while a property frame is open is handled after the frame has closed.
#include <gtest/gtest.h>

#include <QAction>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>

#include "E2eSupport.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "frames/FrameState.h"
#include "media/CaptureSourceFilter.h"
#include "media/VirtualCameraProvider.h"
#include "media/pages/PropertyFrame.h"
#include "media/pages/StreamFormatPage.h"
#include "platform/Menu.h"
#include "resources/ResourceIds.h"
#include "settings/SharedState.h"

using namespace e2e;
using lumi::devices::VirtualCamera;
using lumi::devices::VirtualCameraProvider;
using lumi::pages::PropertyFrame;
using lumi::pages::StreamFormatPage;

namespace {

CCaptureVideo& Engine() {
    return theApp.m_CaptureVideo;
}

VirtualCamera OpenCamera() {
    auto* source = dynamic_cast<CaptureSourceFilter*>(Engine().m_pCaptureFilter.get());
    return VirtualCamera::fromElement(source ? source->sourceElement() : nullptr);
}

bool Centred(const CLumivisorDlg& dlg) {
    return dlg.frameGeometry().center() ==
           QGuiApplication::primaryScreen()->availableGeometry().center();
}

QStringList DeviceMenu(const CLumivisorDlg& dlg) {
    return MenuTexts(GetSubMenu(dlg.MenuBar(), 1));
}

bool Whitish(const QColor& c) {
    return c.red() > 200 && c.green() > 200 && c.blue() > 200;
}

class ResolutionWindow : public ::testing::Test {
protected:
    void Start(int cameras = 1) {
        VirtualCameraProvider::addNumberedCameras(cameras);
        dlg.Create();
        ASSERT_TRUE(WaitForFrames(2));
    }
    void TearDown() override { PropertyFrame::setShownHook(nullptr); }
    bool WaitForFrames(int n) {
        const int start = dlg.FramesPainted;
        return WaitFor([&] { return dlg.FramesPainted >= start + n; });
    }
    // Chooses a menu item as the user does; false when it is greyed.
    bool Choose(UINT id) {
        QAction* item = FindMenuCommand(dlg.MenuBar(), id);
        if (item == nullptr || !item->isEnabled()) return false;
        item->trigger();
        return true;
    }
    // Every frame shown is handed to hook, which must close it.
    void OnFrame(std::function<void(PropertyFrame&)> hook) {
        PropertyFrame::setShownHook([this, hook](PropertyFrame& frame) {
            ++framesShown;
            titles << frame.windowTitle();
            hook(frame);
        });
    }
    static void Choose1280x720(PropertyFrame& frame) {
        auto* format = dynamic_cast<StreamFormatPage*>(frame.page(0));
        ASSERT_NE(format, nullptr);
        EXPECT_TRUE(format->choose(MEDIASUBTYPE_YUY2, 1280, 720));
        frame.ok();
    }

    Session session;
    CLumivisorDlg dlg;
    int framesShown = 0;
    QStringList titles;
};

TEST_F(ResolutionWindow, Choosing1280x720RefitsTheWindowAndThePictureFollows) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_EQ(dlg.frameGeometry().size(), QSize(653, 538));

    OnFrame(&ResolutionWindow::Choose1280x720);
    ASSERT_TRUE(Choose(ID_RESOLUTION));
    EXPECT_EQ(framesShown, 1);
    EXPECT_TRUE(session.messages.isEmpty());

    EXPECT_EQ(dlg.VideoWidth, 1280);
    EXPECT_EQ(dlg.VideoHeight, 720);
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(1293, 778));
    EXPECT_TRUE(Centred(dlg));
    EXPECT_EQ(FrameInfo.biWidth, 1280);
    EXPECT_EQ(FrameInfo.biHeight, 720);
    EXPECT_EQ(FrameInfo.biSize, sizeof(BITMAPINFOHEADER));  // the other fields stay
    EXPECT_EQ(FrameInfo.biBitCount, 24);

    // The picture goes on at the new size: new frames painted, the whole frame upright.
    ASSERT_TRUE(WaitFor([] {
        LONG size = 0;
        WithFrameBuffer([&](const BYTE*, LONG s) { size = s; });
        return size == 1280 * 720 * 4;
    }));
    ASSERT_TRUE(WaitForFrames(3));
    const QImage picture = GrabPicture(dlg);
    EXPECT_TRUE(Whitish(ColourAt(picture, 0.02, 0.05)));
    EXPECT_TRUE(Near(ColourAt(picture, 0.02, 0.95), QColor(128, 128, 128), 24));
    EXPECT_TRUE(Near(ColourAt(picture, 0.98, 0.05), QColor(0, 0, 0), 24));

    // Filter's frame now carries the name the reset gave the capture filter.
    OnFrame([](PropertyFrame& frame) { frame.cancel(); });
    ASSERT_TRUE(Choose(ID_FILTER));
    EXPECT_EQ(titles, (QStringList{"Properties", "Capture source"}));
    // Nothing of the window changes for Filter.
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(1293, 778));
}

TEST_F(ResolutionWindow, ResolutionCannotBeChosenWhileRecording) {
    ASSERT_NO_FATAL_FAILURE(Start());
    OnFrame([](PropertyFrame& frame) { frame.cancel(); });
    ASSERT_TRUE(Choose(ID_START_RECORDER));
    ASSERT_TRUE(dlg.IsRecording);
    EXPECT_FALSE(Choose(ID_RESOLUTION));
    EXPECT_FALSE(Choose(ID_FILTER));
    EXPECT_EQ(framesShown, 0);
    ASSERT_TRUE(Choose(ID_STOP_RECORDER));
    EXPECT_TRUE(Choose(ID_RESOLUTION));
    EXPECT_EQ(framesShown, 1);
    // Closing it unchanged keeps the menu as it was.
    EXPECT_TRUE(FindMenuCommand(dlg.MenuBar(), ID_RESOLUTION)->isEnabled());
    EXPECT_FALSE(FindMenuCommand(dlg.MenuBar(), ID_STOP_RECORDER)->isEnabled());
}

// A camera plugged in while the settings pages are open: the graph and the device menu
// stay as they are while the frame is open, the page acts on the camera it was opened for,
// and the notice is handled once the frame has closed.
TEST_F(ResolutionWindow, DeviceArrivalWhileTheSettingsPagesAreOpenWaitsForTheFrame) {
    ASSERT_NO_FATAL_FAILURE(Start());
    VirtualCamera camera = OpenCamera();
    ASSERT_TRUE(camera.valid());
    const ComPtr<IBaseFilter> filter = Engine().m_pCaptureFilter;
    bool deferred = false;
    OnFrame([&](PropertyFrame& frame) {
        VirtualCameraProvider::addCamera("Late Camera");
        deferred = WaitFor([&] { return dlg.DeviceNoticeDeferred(); });
        EXPECT_EQ(DeviceMenu(dlg), QStringList{"Virtual Camera 1"});
        EXPECT_EQ(Engine().m_pCaptureFilter.get(), filter.get());
        auto* slider = frame.findChild<QSlider*>(
            QStringLiteral("slider:%1").arg(lumi::devices::cid::kBrightness));
        ASSERT_NE(slider, nullptr);
        slider->setValue(slider->value() + 10);
        EXPECT_EQ(camera.control(lumi::devices::cid::kBrightness), 10);
        frame.ok();
    });
    ASSERT_TRUE(Choose(ID_FILTER));
    EXPECT_TRUE(deferred);
    EXPECT_EQ(camera.control(lumi::devices::cid::kBrightness), 10);  // OK kept it
    ASSERT_TRUE(WaitFor([&] { return DeviceMenu(dlg).size() == 2 && dlg.SelectedDevice == 1; }));
    EXPECT_NE(Engine().m_pCaptureFilter.get(), filter.get());
    EXPECT_TRUE(WaitForFrames(2));
    EXPECT_TRUE(session.messages.isEmpty());
}

// The open camera unplugged while the format pages are open: the command completes on the
// camera it was opened for (the window refits to the choice), then the notice reopens the
// remaining camera and the window fits it.
TEST_F(ResolutionWindow, UnpluggingTheCameraWhileTheFormatPagesAreOpenIsHandledAfterTheCommand) {
    ASSERT_NO_FATAL_FAILURE(Start(2));
    ASSERT_EQ(dlg.SelectedDevice, 1);
    bool deferred = false;
    OnFrame([&](PropertyFrame& frame) {
        ASSERT_TRUE(VirtualCameraProvider::removeCamera("Virtual Camera 2"));
        deferred = WaitFor([&] { return dlg.DeviceNoticeDeferred(); });
        EXPECT_EQ(DeviceMenu(dlg).size(), 2);
        Choose1280x720(frame);
    });
    ASSERT_TRUE(Choose(ID_RESOLUTION));
    EXPECT_TRUE(deferred);
    // The command has returned; the notice it deferred is still to come.
    EXPECT_EQ(DeviceMenu(dlg).size(), 2);
    EXPECT_EQ(dlg.VideoWidth, 1280);
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(1293, 778));
    EXPECT_FALSE(dlg.DeviceNoticeDeferred());
    ASSERT_TRUE(WaitFor([&] { return DeviceMenu(dlg) == QStringList{"Virtual Camera 1"}; }));
    ASSERT_TRUE(WaitFor([&] { return dlg.SelectedDevice == 0; }));
    EXPECT_EQ(dlg.VideoWidth, 640);
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    EXPECT_TRUE(WaitForFrames(2));
    EXPECT_TRUE(session.messages.isEmpty());
}

}  // namespace
