// The program's window on virtual cameras: picture, device menu, property frames, recording.
#include <QProcess>

#include "WindowSupport.h"
#include "media/pages/PropertyFrame.h"
#include "media/pages/StreamFormatPage.h"

using namespace e2e;
using lumi::pages::PropertyFrame;

namespace {

using Window = WindowTest;

TEST_F(Window, TheLastOfThreeCamerasOpensWithItsMovingPictureStretchedAndTheIndicator) {
    ASSERT_NO_FATAL_FAILURE(Start(3));
    EXPECT_TRUE(Checked(40058) && !Checked(40056) && !Checked(40057));
    // The marker (between 63 % and 74 % of the height) moves from frame to frame.
    const QImage first = GrabPicture(dlg);
    ASSERT_TRUE(WaitForFrames(3));
    const QRect marker(0, int(0.63 * first.height()), first.width(), int(0.11 * first.height()));
    EXPECT_NE(first.copy(marker), GrabPicture(dlg).copy(marker));
    // The indicator covers picture columns 599..639, rows 0..40; its white is transparent.
    dlg.IsRecording = true;
    const QImage recording = GrabPicture(dlg);
    const QColor centre = ColourAt(recording, 619.5 / 640, 20.5 / 480);
    EXPECT_TRUE(centre.red() > 180 && centre.blue() < 80) << centre.name().toStdString();
    EXPECT_TRUE(Near(ColourAt(recording, 599.5 / 640, 0.5 / 480), Qt::black, 24));
    dlg.IsRecording = false;
    EXPECT_TRUE(Near(ColourAt(GrabPicture(dlg), 619.5 / 640, 20.5 / 480), Qt::black, 24));
    // Stretched over a resized window, without keeping its shape.
    dlg.resize(1000, 300);
    ASSERT_TRUE(WaitForFrames(1));
    // The test picture: bars on top (white at the left, black at the right), grey below.
    const QImage stretched = GrabPicture(dlg);
    EXPECT_EQ(stretched.width(), 1000);
    EXPECT_TRUE(Near(ColourAt(stretched, 0.03, 0.02), QColor(255, 255, 255)));
    EXPECT_TRUE(Near(ColourAt(stretched, 0.97, 0.02), Qt::black));
    EXPECT_TRUE(Near(ColourAt(stretched, 0.03, 0.95), QColor(128, 128, 128)));
}

// The ninth camera's entry is inert; choosing the open one changes nothing; a failed open
// keeps the window and the check mark.
TEST_F(Window, NineCamerasChoicesAFailedOpenAndItsRetry) {
    VirtualCameraProvider::addNumberedCameras(9);
    dlg.Create();
    EXPECT_EQ(DeviceMenu().size(), 9);
    Item(40064)->trigger();
    EXPECT_EQ(dlg.SelectedDevice, -1);
    EXPECT_FALSE(Engine().m_pGraph);
    ASSERT_TRUE(Choose(40063));
    EXPECT_EQ(dlg.SelectedDevice, 7);
    ASSERT_TRUE(Open());
    IGraphBuilder* graph = Engine().m_pGraph.get();
    const QRect moved(3, 4, 500, 400);
    dlg.setGeometry(moved);
    ASSERT_TRUE(Choose(40063));
    EXPECT_EQ(Engine().m_pGraph.get(), graph);
    EXPECT_EQ(dlg.geometry(), moved);
    BreakSampleGrabbers();
    Choose(40056);
    RegisterMediaClasses();
    EXPECT_EQ(session.messages, QStringList{LoadStringForLanguage(160, 0)});
    EXPECT_EQ(dlg.SelectedDevice, -1);
    EXPECT_TRUE(Checked(40056) && !Checked(40063));
    EXPECT_EQ(dlg.geometry(), moved);
    ASSERT_TRUE(Choose(40056));
    EXPECT_TRUE(Open());
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
}

// A camera plugged or pulled while a property frame is open is handled once it closes.
TEST_F(Window, NoticesWhileAPropertyFrameIsOpenWaitForIt) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const ComPtr<IBaseFilter> filter = Engine().m_pCaptureFilter;
    bool deferred = false;
    PropertyFrame::setShownHook([&](PropertyFrame& frame) {
        VirtualCameraProvider::addCamera("Late Camera");
        deferred = WaitFor([&] { return dlg.DeviceNoticeDeferred(); });
        EXPECT_EQ(DeviceMenu(), QStringList{"Virtual Camera 1"});
        EXPECT_EQ(Engine().m_pCaptureFilter.get(), filter.get());
        frame.ok();
    });
    ASSERT_TRUE(Choose(ID_FILTER));
    EXPECT_TRUE(deferred);
    ASSERT_TRUE(WaitFor([&] { return DeviceMenu().size() == 2 && dlg.SelectedDevice == 1; }));
    EXPECT_NE(Engine().m_pCaptureFilter.get(), filter.get());
    EXPECT_TRUE(WaitForFrames(2));
    deferred = false;
    PropertyFrame::setShownHook([&](PropertyFrame& frame) {
        ASSERT_TRUE(VirtualCameraProvider::removeCamera("Late Camera"));
        deferred = WaitFor([&] { return dlg.DeviceNoticeDeferred(); });
        EXPECT_EQ(DeviceMenu().size(), 2);
        auto* format = dynamic_cast<lumi::pages::StreamFormatPage*>(frame.page(0));
        EXPECT_TRUE(format && format->choose(MEDIASUBTYPE_YUY2, 1280, 720));
        frame.ok();
    });
    ASSERT_TRUE(Choose(ID_RESOLUTION));
    EXPECT_TRUE(deferred);
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(1293, 778));
    EXPECT_EQ(QSize(FrameInfo.biWidth, FrameInfo.biHeight), QSize(1280, 720));
    ASSERT_TRUE(WaitFor([&] { return DeviceMenu().size() == 1 && dlg.SelectedDevice == 0; }));
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    EXPECT_TRUE(WaitForFrames(2));
    EXPECT_TRUE(session.messages.isEmpty());
    PropertyFrame::setShownHook(nullptr);
}

// A folder that cannot take the file: a message, no number used. The indicator shows on
// screen only, not in the file nor in a picture.
TEST_F(Window, RecordingByMenu) {
    ASSERT_NO_FATAL_FAILURE(Start());
    LanguageFlag = 1;
    dlg.ApplyLanguage(1);
    const QString folder = SaveFolder;
    const auto saveTo = [](const QString& to) {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = to;
    };
    saveTo(session.home.path() + "/missing/");
    ASSERT_TRUE(Choose(ID_START_RECORDER));
    EXPECT_FALSE(dlg.IsRecording);
    EXPECT_EQ(session.messages, QStringList{LoadStringForLanguage(164, 1)});
    EXPECT_EQ(NextVideo(), 0);
    EXPECT_TRUE(WaitForFrames(5));
    saveTo(folder);
    capturetest::RecordedFrames recorded(Engine().m_pGraph.get());
    ASSERT_TRUE(Choose(ID_START_RECORDER));
    ASSERT_TRUE(dlg.IsRecording);
    EXPECT_EQ(Operation(), kRecording);
    ASSERT_TRUE(WaitForFrames(3));
    // The indicator top-right on screen; a picture by the camera's button has none.
    EXPECT_FALSE(Near(ColourAt(GrabPicture(dlg), 0.99, 0.01), QColor(0, 0, 0), 40));
    StillRequested = 1;
    QImage picture;
    ASSERT_TRUE(WaitFor([&] { return !(picture = QImage(File("NEWPIC_0.jpg"))).isNull(); }));
    EXPECT_TRUE(qRed(picture.pixel(635, 4)) < 40 && qGreen(picture.pixel(635, 4)) < 40);
    ASSERT_TRUE(WaitForFrames(30));
    ASSERT_TRUE(Choose(ID_STOP_RECORDER));
    EXPECT_EQ(Operation(), kDeviceOpen);
    EXPECT_EQ(NextVideo(), 1);
    const QString video = File("NEWAVI_0.avi");
    EXPECT_TRUE(capturetest::RecordingIsWhole(video, recorded.count()));
    const QString frame = session.home.filePath("first.png");
    ASSERT_EQ(QProcess::execute("ffmpeg",
                                {"-nostdin", "-v", "error", "-i", video, "-frames:v", "1", frame}),
              0);
    const QImage first(frame);
    ASSERT_EQ(first.size(), QSize(640, 480));
    EXPECT_TRUE(qRed(first.pixel(635, 4)) < 40 && qGreen(first.pixel(635, 4)) < 40);
}

class RecordingInterrupted : public WindowTest, public ::testing::WithParamInterface<int> {};

// Whatever interrupts a recording, the file is complete and the caption returns.
TEST_P(RecordingInterrupted, StopsTheRecordingFirst) {
    ASSERT_NO_FATAL_FAILURE(Start(2));
    const ComPtr<IGraphBuilder> before = Engine().m_pGraph;  // kept: no address reuse
    capturetest::RecordedFrames recorded(Engine().m_pGraph.get());
    ASSERT_TRUE(Choose(ID_START_RECORDER));
    ASSERT_TRUE(WaitForFrames(30));
    dlg.setWindowTitle("something else");
    const std::function<void()> interruptions[] = {
        [] { VirtualCameraProvider::addCamera("Virtual Camera 9"); },
        [] { VirtualCameraProvider::removeCamera("Virtual Camera 2"); },
        [&] { Choose(ID_DEVICE_FIRST); }, [&] { dlg.close(); },
        [] {  // the desktop session ends: its manager has Qt quit
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(qApp, &quit);
        }};
    interruptions[GetParam()]();
    ASSERT_TRUE(WaitFor([&] { return !dlg.IsRecording; }));
    EXPECT_EQ(NextVideo(), 1);
    EXPECT_EQ(dlg.windowTitle(), LoadStringId(101));
    EXPECT_TRUE(capturetest::RecordingIsWhole(File("NEWAVI_0.avi"), recorded.count()));
    if (GetParam() < 3) {
        EXPECT_TRUE(WaitFor([&] { return Operation() == kDeviceOpen; }));
        EXPECT_EQ(dlg.SelectedDevice, GetParam() == 0 ? 2 : 0);
        EXPECT_NE(Engine().m_pGraph.get(), before.get());
        EXPECT_TRUE(WaitForFrames(3));
    }
    EXPECT_TRUE(session.messages.isEmpty());
}

std::string Interruption(const ::testing::TestParamInfo<int>& i) {
    return std::vector<std::string>{"CameraAdded", "CameraPulledOut", "OtherCameraChosen",
                                    "WindowClosed", "SessionEnded"}[std::size_t(i.param)];
}
INSTANTIATE_TEST_SUITE_P(By, RecordingInterrupted, ::testing::Range(0, 5), Interruption);

}  // namespace
