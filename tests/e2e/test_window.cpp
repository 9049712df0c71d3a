// The program's window on virtual cameras: start-up with three cameras and the moving
// picture; the device menu's choices; Filter and Resolution, and device notices that arrive
// while their property frame is open.
#include <QSlider>

#include "WindowSupport.h"
#include "media/pages/PropertyFrame.h"
#include "media/pages/StreamFormatPage.h"

using namespace e2e;
using lumi::pages::PropertyFrame;

namespace {

const QColor kWhite(255, 255, 255), kBlack(0, 0, 0), kGrey(128, 128, 128);

// The camera's test picture: bars on top (white at the left, black at the right), grey below.
void ExpectTestPicture(const QImage& image, double top = 0.05) {
    EXPECT_TRUE(Near(ColourAt(image, 0.03, top), kWhite));
    EXPECT_TRUE(Near(ColourAt(image, 0.97, top), kBlack));
    EXPECT_TRUE(Near(ColourAt(image, 0.03, 0.95), kGrey));
    EXPECT_TRUE(Near(ColourAt(image, 0.97, 0.95), kGrey));
}

using LivePicture = WindowTest;

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

// Of nine cameras the ninth entry is inert and nothing opens at start-up; the eighth acts,
// and choosing it again changes nothing; a failed open keeps the check mark, the window and
// the last frame size, and choosing the entry again retries; an open refits and recentres.
using DevicesMenu = WindowTest;

TEST_F(DevicesMenu, NineCamerasChoicesAFailedOpenAndItsRetry) {
    VirtualCameraProvider::addNumberedCameras(9);
    dlg.Create();
    QList<UINT> ids;
    for (UINT id = 40056; id <= 40064; ++id) ids << id;
    EXPECT_EQ(MenuIds(GetSubMenu(dlg.MenuBar(), 1)), ids);
    EXPECT_EQ(dlg.SelectedDevice, -1);
    Item(40064)->trigger();
    EXPECT_EQ(dlg.SelectedDevice, -1);
    EXPECT_FALSE(Engine().m_pGraph);
    EXPECT_FALSE(Checked(40064));

    ASSERT_TRUE(Choose(40063));
    EXPECT_EQ(dlg.SelectedDevice, 7);
    ASSERT_TRUE(Open());
    IGraphBuilder* graph = Engine().m_pGraph.get();
    const QRect moved(3, 4, 500, 400);
    dlg.setGeometry(moved);
    ASSERT_TRUE(Choose(40063));
    EXPECT_EQ(Engine().m_pGraph.get(), graph);
    EXPECT_EQ(dlg.geometry(), moved);
    EXPECT_TRUE(Checked(40063));

    BreakSampleGrabbers();
    Choose(40056);
    RestoreClasses();
    EXPECT_EQ(session.messages, QStringList{LoadStringForLanguage(160, 0)});
    EXPECT_EQ(dlg.SelectedDevice, -1);
    EXPECT_TRUE(Checked(40056));
    EXPECT_FALSE(Checked(40063));
    EXPECT_FALSE(Engine().m_pGrabberFilter);  // the build stopped at the grabber
    EXPECT_EQ(dlg.VideoWidth, 640);
    EXPECT_EQ(dlg.geometry(), moved);

    ASSERT_TRUE(Choose(40056));
    EXPECT_EQ(dlg.SelectedDevice, 0);
    EXPECT_TRUE(Open());
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    EXPECT_TRUE(Centred());
    EXPECT_EQ(session.messages.size(), 1);
}

class ResolutionWindow : public WindowTest {
protected:
    void TearDown() override { PropertyFrame::setShownHook(nullptr); }
    // Every frame shown is handed to hook, which must close it.
    void OnFrame(std::function<void(PropertyFrame&)> hook) {
        PropertyFrame::setShownHook([this, hook](PropertyFrame& frame) {
            ++frames;
            hook(frame);
        });
    }
    int frames = 0;
};

// A camera plugged in while the settings pages are open: graph and device menu stay, the page
// acts on the camera it was opened for. That camera unplugged while the format pages are open:
// the command completes on it (the window refits and centres for 1280 x 720). Each notice is
// handled once the frame has closed: the last camera listed opens, the window fits it.
TEST_F(ResolutionWindow, NoticesWhileAPropertyFrameIsOpenWaitForIt) {
    ASSERT_NO_FATAL_FAILURE(Start());
    VirtualCamera camera = OpenCamera();
    ASSERT_TRUE(camera.valid());
    const ComPtr<IBaseFilter> filter = Engine().m_pCaptureFilter;
    const int brightness = lumi::devices::cid::kBrightness;
    bool deferred = false;
    OnFrame([&](PropertyFrame& frame) {
        VirtualCameraProvider::addCamera("Late Camera");
        deferred = WaitFor([&] { return dlg.DeviceNoticeDeferred(); });
        EXPECT_EQ(DeviceMenu(), QStringList{"Virtual Camera 1"});
        EXPECT_EQ(Engine().m_pCaptureFilter.get(), filter.get());
        auto* slider = frame.findChild<QSlider*>(QStringLiteral("slider:%1").arg(brightness));
        ASSERT_NE(slider, nullptr);
        slider->setValue(slider->value() + 10);
        EXPECT_EQ(camera.control(brightness), 10);
        frame.ok();
    });
    ASSERT_TRUE(Choose(ID_FILTER));
    EXPECT_TRUE(deferred);
    EXPECT_EQ(camera.control(brightness), 10);  // OK kept it
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    ASSERT_TRUE(WaitFor([&] { return DeviceMenu().size() == 2 && dlg.SelectedDevice == 1; }));
    EXPECT_NE(Engine().m_pCaptureFilter.get(), filter.get());
    EXPECT_TRUE(WaitForFrames(2));

    deferred = false;
    OnFrame([&](PropertyFrame& frame) {
        ASSERT_TRUE(VirtualCameraProvider::removeCamera("Late Camera"));
        deferred = WaitFor([&] { return dlg.DeviceNoticeDeferred(); });
        EXPECT_EQ(DeviceMenu().size(), 2);
        auto* format = dynamic_cast<lumi::pages::StreamFormatPage*>(frame.page(0));
        ASSERT_NE(format, nullptr);
        EXPECT_TRUE(format->choose(MEDIASUBTYPE_YUY2, 1280, 720));
        frame.ok();
    });
    ASSERT_TRUE(Choose(ID_RESOLUTION));
    EXPECT_TRUE(deferred);
    EXPECT_EQ(DeviceMenu().size(), 2);  // the notice it deferred is still to come
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(1293, 778));
    EXPECT_TRUE(Centred());
    EXPECT_EQ(QSize(FrameInfo.biWidth, FrameInfo.biHeight), QSize(1280, 720));
    EXPECT_EQ(Operation(), kDeviceOpen);
    EXPECT_FALSE(dlg.DeviceNoticeDeferred());
    ASSERT_TRUE(WaitFor([&] { return DeviceMenu().size() == 1 && dlg.SelectedDevice == 0; }));
    EXPECT_EQ(DeviceMenu(), QStringList{"Virtual Camera 1"});
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    EXPECT_TRUE(WaitForFrames(2));
    EXPECT_TRUE(session.messages.isEmpty());
}

}  // namespace
