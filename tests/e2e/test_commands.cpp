// Recording on the program's window with virtual cameras: by menu, with its menu states,
// caption and indicator; a recording that cannot start; the recording stopped cleanly by a
// device change, an unplugged camera, another camera, closing or the session's end.
#include <QProcess>

#include "WindowSupport.h"

using namespace e2e;

namespace {

using Commands = WindowTest;

// In Russian: a folder that cannot take the file gives the message, no recording, no number
// used, the preview running on. Then Start recorder, Stop recorder by the menu: the file
// holds the camera's frames in its format, the indicator shows on screen only (not in the
// file nor in a picture taken meanwhile), the menu states follow, the caption comes back.
TEST_F(Commands, RecordingByMenu) {
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
    EXPECT_EQ(Operation(), kDeviceOpen);
    EXPECT_EQ(NextVideo(), 0);
    EXPECT_TRUE(WaitForFrames(5));

    saveTo(folder);
    capturetest::RecordedFrames recorded(Engine().m_pGraph.get());
    ASSERT_TRUE(Choose(ID_START_RECORDER));
    ASSERT_TRUE(dlg.IsRecording);
    EXPECT_EQ(Operation(), kRecording);
    dlg.setWindowTitle("something else");
    ASSERT_TRUE(WaitForFrames(3));
    // The indicator top-right on screen; a still sample (the camera's button) meanwhile gives
    // a picture with the camera's black corner there.
    EXPECT_FALSE(Near(ColourAt(GrabPicture(dlg), 0.99, 0.01), QColor(0, 0, 0), 40));
    StillRequested = 1;
    QImage picture;
    ASSERT_TRUE(WaitFor([&] { return !(picture = QImage(File("NEWPIC_0.jpg"))).isNull(); }));
    EXPECT_TRUE(qRed(picture.pixel(635, 4)) < 40 && qGreen(picture.pixel(635, 4)) < 40);
    ASSERT_TRUE(WaitForFrames(30));
    ASSERT_TRUE(Choose(ID_STOP_RECORDER));
    EXPECT_FALSE(dlg.IsRecording);
    EXPECT_EQ(Operation(), kDeviceOpen);
    EXPECT_EQ(dlg.windowTitle(), LoadStringId(100));
    EXPECT_EQ(NextVideo(), 1);
    EXPECT_EQ(Engine().m_nWidth, 640);
    ASSERT_TRUE(WaitForFrames(3));
    EXPECT_TRUE(Near(ColourAt(GrabPicture(dlg), 0.99, 0.01), QColor(0, 0, 0), 40));
    EXPECT_EQ(session.messages.size(), 1);

    const QString video = File("NEWAVI_0.avi");
    EXPECT_TRUE(capturetest::RecordingIsWhole(video, recorded.count()));
    const capturetest::AviContents avi = capturetest::ReadAvi(video.toStdString());
    EXPECT_GT(avi.frames, 30);
    EXPECT_EQ(avi.mediaType + "/" + avi.format, "video/x-raw/YUY2");
    EXPECT_EQ(avi.width, 640);
    // Its first frame has the camera's black top-right corner.
    const QString frame = session.home.filePath("first.png");
    ASSERT_EQ(QProcess::execute("ffmpeg",
                                {"-nostdin", "-v", "error", "-i", video, "-frames:v", "1", frame}),
              0);
    const QImage first(frame);
    ASSERT_EQ(first.size(), QSize(640, 480));
    EXPECT_TRUE(qRed(first.pixel(635, 4)) < 40 && qGreen(first.pixel(635, 4)) < 40);
}

class RecordingInterrupted : public Commands, public ::testing::WithParamInterface<int> {};

// A device notice (a camera added or the recording camera pulled out), another camera
// chosen from the menu, the window closed or the desktop session ended, during a recording:
// the file is complete, the number advances, the flag and the caption return; a device
// opens anew (the last listed, or the one chosen) in the device-open state.
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
    ExpectComplete(File("NEWAVI_0.avi"), 20);
    EXPECT_TRUE(capturetest::RecordingIsWhole(File("NEWAVI_0.avi"), recorded.count()));
    if (GetParam() < 3) {
        EXPECT_TRUE(WaitFor([&] { return Operation() == kDeviceOpen; }));
        EXPECT_EQ(dlg.SelectedDevice, GetParam() == 0 ? 2 : 0);
        EXPECT_TRUE(Checked(ID_DEVICE_FIRST + UINT(dlg.SelectedDevice)));
        EXPECT_NE(Engine().m_pGraph.get(), before.get());
        EXPECT_TRUE(WaitForFrames(3));
    }
    EXPECT_TRUE(session.messages.isEmpty());
}

std::string Interruption(const ::testing::TestParamInfo<int>& info) {
    static const char* const kNames[] = {"CameraAdded", "CameraPulledOut", "OtherCameraChosen",
                                         "WindowClosed", "SessionEnded"};
    return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(By, RecordingInterrupted, ::testing::Range(0, 5), Interruption);

}  // namespace
