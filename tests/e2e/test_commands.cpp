// The Operation commands on the program's window with virtual cameras, by key and by menu:
// pictures (Enter, keypad 5, Space), recording with its menu states and caption, and the
// recording stopped cleanly by a failure, a device change, an unplugged camera or closing.
#include "media/GstHandle.h"  // first: WinTypes.h before GLib

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QMenuBar>
#include <chrono>
#include <thread>

#include "AviReader.h"
#include "E2eSupport.h"
#include "RecordingCheck.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/FrameState.h"
#include "media/CaptureSourceFilter.h"
#include "media/VirtualCameraProvider.h"
#include "platform/Menu.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "settings/SharedState.h"

using namespace e2e;
using lumi::devices::VirtualCamera;
using lumi::devices::VirtualCameraProvider;

namespace {

// The six Operation items in the order of the menu state rule.
constexpr UINT kOperation[] = {ID_START_RECORDER, ID_STOP_RECORDER, ID_SNAP,
                               ID_CROSSHAIRS,     ID_RESOLUTION,    ID_FILTER};

QAction* Item(const CLumivisorDlg& dlg, UINT id) {
    return FindMenuCommand(dlg.MenuBar(), id);
}

// The enabled state of the six items, in kOperation's order.
std::vector<bool> OperationState(const CLumivisorDlg& dlg) {
    std::vector<bool> state;
    for (UINT id : kOperation) state.push_back(Item(dlg, id)->isEnabled());
    return state;
}

const std::vector<bool> kNoDevice{false, false, false, false, false, false};
const std::vector<bool> kDeviceOpen{true, false, true, true, true, true};
const std::vector<bool> kRecording{false, true, false, false, false, false};

// A key pressed and released on the window, as the user types it.
void Press(CLumivisorDlg& dlg, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(&dlg, &press);
    QApplication::sendEvent(&dlg, &release);
}
void Enter(CLumivisorDlg& dlg) {
    Press(dlg, Qt::Key_Return);
}
void Keypad5(CLumivisorDlg& dlg) {
    Press(dlg, Qt::Key_5, Qt::KeypadModifier);
}
void Space(CLumivisorDlg& dlg) {
    Press(dlg, Qt::Key_Space);
}

// A menu item chosen with the mouse.
void Choose(CLumivisorDlg& dlg, UINT id) {
    QAction* item = Item(dlg, id);
    ASSERT_TRUE(item != nullptr && item->isEnabled()) << id;
    item->trigger();
}

VirtualCamera OpenCamera() {
    auto* source = dynamic_cast<CaptureSourceFilter*>(theApp.m_CaptureVideo.m_pCaptureFilter.get());
    return VirtualCamera::fromElement(source ? source->sourceElement() : nullptr);
}

std::int32_t NextVideo() {
    std::lock_guard lock(SaveSettingsMutex);
    return NextVideoNumber;
}

class Commands : public ::testing::Test {
protected:
    void Start(int cameras = 1) {
        VirtualCameraProvider::addNumberedCameras(cameras);
        dlg.Create();
        ASSERT_TRUE(WaitForFrames(2));
        folder = SaveFolder;
        ASSERT_EQ(folder, session.home.path() + "/");
    }
    bool WaitForFrames(int n) {
        const int start = dlg.FramesPainted;
        return WaitFor([&] { return dlg.FramesPainted >= start + n; });
    }
    QString File(const QString& name) const { return folder + name; }
    // Waits for a picture file to be complete (readable at its size).
    QImage WaitForPicture(const QString& name) {
        QImage image;
        WaitFor([&] {
            image = QImage(File(name));
            return !image.isNull();
        });
        return image;
    }
    QStringList Files(const QString& pattern) const {
        return QDir(folder).entryList({pattern}, QDir::Files, QDir::Name);
    }

    Session session;
    CLumivisorDlg dlg;
    QString folder;
};

// Pixel tests on a 640 x 480 picture of the camera: white/black bars on top, grey below.
bool Whitish(QRgb p) {
    return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200;
}
bool Greyish(QRgb p) {
    return std::abs(qRed(p) - 128) < 30 && std::abs(qGreen(p) - 128) < 30 &&
           std::abs(qBlue(p) - 128) < 30;
}

}  // namespace

TEST_F(Commands, MenuStatesAndWhichKeysActInThem) {
    // No device: all six greyed; Enter and keypad 5 do nothing, Space still toggles.
    CLumivisorDlg bare;
    bare.Create();
    EXPECT_EQ(OperationState(bare), kNoDevice);
    Enter(bare);
    EXPECT_EQ(StillRequested.load(), 0);
    Keypad5(bare);
    EXPECT_FALSE(bare.CrosshairShown);
    Space(bare);
    EXPECT_EQ(PreviewFrozen.load(), 1);
    Space(bare);
    EXPECT_EQ(PreviewFrozen.load(), 0);
    bare.close();

    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(OperationState(dlg), kDeviceOpen);
    Keypad5(dlg);
    EXPECT_TRUE(dlg.CrosshairShown);
    EXPECT_TRUE(FrameCallback.CrosshairOn.load());
    Keypad5(dlg);
    EXPECT_FALSE(FrameCallback.CrosshairOn.load());

    Choose(dlg, ID_START_RECORDER);
    EXPECT_TRUE(dlg.IsRecording);
    EXPECT_EQ(OperationState(dlg), kRecording);
    Enter(dlg);
    Keypad5(dlg);
    EXPECT_EQ(StillRequested.load(), 0);
    EXPECT_FALSE(dlg.CrosshairShown);
    Space(dlg);
    EXPECT_EQ(PreviewFrozen.load(), 1);
    Space(dlg);
    Choose(dlg, ID_STOP_RECORDER);
    EXPECT_FALSE(dlg.IsRecording);
    EXPECT_EQ(OperationState(dlg), kDeviceOpen);
    EXPECT_TRUE(session.messages.isEmpty());
}

// A camera with a still output: the still image the engine asks for after the graph
// starts gives exactly one picture.
TEST_F(Commands, StartUpStillTriggerWritesOnePicture) {
    VirtualCamera::Options options;
    options.stillPin = true;
    VirtualCameraProvider::addCamera("Still Camera", options);
    dlg.Create();
    folder = SaveFolder;
    const QImage picture = WaitForPicture("NEWPIC_0.jpg");
    EXPECT_EQ(picture.size(), QSize(640, 480));
    ASSERT_TRUE(WaitForFrames(10));
    EXPECT_EQ(Files("NEWPIC_*"), QStringList{"NEWPIC_0.jpg"});
}

// Enter, keypad 5 + Enter, Space + Enter, keypad 5 + Enter: numbered JPEG files of the
// picture as shown, with the cross only while it is on, the frozen frame while frozen.
TEST_F(Commands, PicturesByKeyboard) {
    ASSERT_NO_FATAL_FAILURE(Start());
    Enter(dlg);
    const QImage plain = WaitForPicture("NEWPIC_0.jpg");
    ASSERT_EQ(plain.size(), QSize(640, 480));
    {
        QImageReader reader(File("NEWPIC_0.jpg"));
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format(), "jpeg");
    }
    EXPECT_TRUE(Whitish(plain.pixel(10, 10)));  // upright: bars on top, white at the left
    EXPECT_TRUE(Greyish(plain.pixel(10, 470)));
    EXPECT_FALSE(Whitish(plain.pixel(320, 400)));  // no cross

    Keypad5(dlg);
    ASSERT_TRUE(WaitForFrames(2));  // the cross is drawn from the next frame on
    Enter(dlg);
    const QImage cross = WaitForPicture("NEWPIC_1.jpg");
    ASSERT_EQ(cross.size(), QSize(640, 480));
    // Column 320 and storage row 240 (shown row 480 - 1 - 240) are white.
    EXPECT_TRUE(Whitish(cross.pixel(320, 400)));
    EXPECT_TRUE(Whitish(cross.pixel(600, 239)));
    EXPECT_FALSE(Whitish(cross.pixel(322, 400)));

    // Frozen: two pictures of the same frozen frame are the same file.
    Space(dlg);
    ASSERT_TRUE(WaitFor([] { return PreviewFrozen.load() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Enter(dlg);
    WaitForPicture("NEWPIC_2.jpg");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    Enter(dlg);
    WaitForPicture("NEWPIC_3.jpg");
    QFile a(File("NEWPIC_2.jpg")), b(File("NEWPIC_3.jpg"));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
    Space(dlg);

    Keypad5(dlg);
    ASSERT_TRUE(WaitForFrames(2));
    Enter(dlg);
    const QImage after = WaitForPicture("NEWPIC_4.jpg");
    EXPECT_FALSE(Whitish(after.pixel(320, 400)));
    EXPECT_FALSE(Whitish(after.pixel(600, 239)));
    std::lock_guard lock(SaveSettingsMutex);
    EXPECT_EQ(NextPictureNumber, 5);
}

// Start recorder, 5 s, Stop recorder, by the menu, twice: NEWAVI_n then NEWAVI_n+1, each
// the camera's frames in its format, the indicator on screen only, the caption back.
TEST_F(Commands, RecordingByMenu) {
    ASSERT_NO_FATAL_FAILURE(Start());
    VirtualCamera camera = OpenCamera();
    ASSERT_TRUE(camera.valid());
    LanguageFlag = 1;
    dlg.ApplyLanguage(1);
    for (int n = 0; n < 2; ++n) {
        const std::uint64_t before = camera.framesSent();
        capturetest::RecordedFrames recorded(theApp.m_CaptureVideo.m_pGraph.get());
        Choose(dlg, ID_START_RECORDER);
        ASSERT_TRUE(dlg.IsRecording);
        dlg.setWindowTitle("something else");
        ASSERT_TRUE(WaitForFrames(3));
        const QImage shown = GrabPicture(dlg);  // the indicator: top-right, not white
        EXPECT_FALSE(Near(ColourAt(shown, 0.99, 0.01), QColor(0, 0, 0), 40));
        std::this_thread::sleep_for(std::chrono::seconds(5));
        Choose(dlg, ID_STOP_RECORDER);
        const std::uint64_t sent = camera.framesSent() - before;
        EXPECT_EQ(dlg.windowTitle(), LoadStringId(100));
        EXPECT_EQ(NextVideo(), n + 1);
        EXPECT_EQ(theApp.m_CaptureVideo.m_nWidth, 640);
        ASSERT_TRUE(WaitForFrames(3));
        EXPECT_TRUE(Near(ColourAt(GrabPicture(dlg), 0.99, 0.01), QColor(0, 0, 0), 40));

        const capturetest::AviContents avi =
            capturetest::ReadAvi(File(QString("NEWAVI_%1.avi").arg(n)).toStdString());
        EXPECT_FALSE(avi.error);
        EXPECT_GT(avi.frames, 100);
        EXPECT_NEAR(avi.frames, double(sent), 0.02 * double(sent));
        EXPECT_TRUE(
            capturetest::RecordingIsWhole(File(QString("NEWAVI_%1.avi").arg(n)), recorded.count()));
        EXPECT_EQ(avi.mediaType, "video/x-raw");
        EXPECT_EQ(avi.format, "YUY2");
        EXPECT_EQ(avi.width, 640);
    }
    EXPECT_EQ(Files("NEWAVI_*"), QStringList({"NEWAVI_0.avi", "NEWAVI_1.avi"}));
    EXPECT_TRUE(session.messages.isEmpty());
}

// The first frame of the recording holds the camera's black top-right corner, not the
// indicator: the indicator is only painted on screen.
TEST_F(Commands, IndicatorNeitherInTheVideoNorInPictures) {
    ASSERT_NO_FATAL_FAILURE(Start());
    capturetest::RecordedFrames recorded(theApp.m_CaptureVideo.m_pGraph.get());
    Choose(dlg, ID_START_RECORDER);
    ASSERT_TRUE(WaitForFrames(20));
    // A picture from a still sample during the recording (the camera's button).
    StillRequested = 1;
    const QImage picture = WaitForPicture("NEWPIC_0.jpg");
    Choose(dlg, ID_STOP_RECORDER);
    EXPECT_TRUE(capturetest::RecordingIsWhole(File("NEWAVI_0.avi"), recorded.count()));
    ASSERT_FALSE(picture.isNull());
    EXPECT_LT(qRed(picture.pixel(635, 4)), 40);  // black corner, no red indicator
    EXPECT_LT(qGreen(picture.pixel(635, 4)), 40);

    GstElement* pipeline = gst_parse_launch(
        ("filesrc location=\"" + File("NEWAVI_0.avi").toStdString() +
         "\" ! avidemux ! decodebin ! videoconvert ! video/x-raw,format=RGB ! appsink name=out")
            .c_str(),
        nullptr);
    ASSERT_NE(pipeline, nullptr);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstSample* sample = nullptr;
    g_signal_emit_by_name(sink, "pull-sample", &sample);
    ASSERT_NE(sample, nullptr);
    GstMapInfo map;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    ASSERT_TRUE(gst_buffer_map(buffer, &map, GST_MAP_READ));
    const std::uint8_t* corner = map.data + (4 * 640 + 635) * 3;  // top row first
    EXPECT_LT(corner[0], 40);
    EXPECT_LT(corner[1], 40);
    gst_buffer_unmap(buffer, &map);
    gst_sample_unref(sample);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
}

// A folder that cannot take the file: the message in the current language, no recording,
// the device-open state, no number used, the preview running on.
TEST_F(Commands, RecordingThatCannotStart) {
    ASSERT_NO_FATAL_FAILURE(Start());
    {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = session.home.path() + "/missing/";
    }
    Choose(dlg, ID_START_RECORDER);
    EXPECT_EQ(session.messages, QStringList{LoadStringId(165)});
    EXPECT_FALSE(dlg.IsRecording);
    EXPECT_EQ(OperationState(dlg), kDeviceOpen);
    EXPECT_EQ(NextVideo(), 0);
    EXPECT_TRUE(WaitForFrames(5));
}

// A name taken after the start-up scan is skipped and left alone; the counter continues
// after the number used.
TEST_F(Commands, RecordingNeverReplacesAFile) {
    ASSERT_NO_FATAL_FAILURE(Start());
    {
        QFile taken(File("NEWAVI_0.avi"));
        ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
        taken.write("keep");
    }
    capturetest::RecordedFrames recorded(theApp.m_CaptureVideo.m_pGraph.get());
    Choose(dlg, ID_START_RECORDER);
    ASSERT_TRUE(dlg.IsRecording);
    ASSERT_TRUE(WaitForFrames(10));
    Choose(dlg, ID_STOP_RECORDER);
    EXPECT_EQ(NextVideo(), 2);
    QFile taken(File("NEWAVI_0.avi"));
    ASSERT_TRUE(taken.open(QIODevice::ReadOnly));
    EXPECT_EQ(taken.readAll(), "keep");
    EXPECT_TRUE(capturetest::RecordingIsWhole(File("NEWAVI_1.avi"), recorded.count()));
}

class RecordingInterrupted : public Commands, public ::testing::WithParamInterface<int> {};

// A device notice (a camera added or the recording camera pulled out), another camera
// chosen from the menu, the window closed or the desktop session ended, during a recording:
// the file is complete, the number advances, the flag and the caption return; a device
// opens in the device-open state.
TEST_P(RecordingInterrupted, StopsTheRecordingFirst) {
    ASSERT_NO_FATAL_FAILURE(Start(2));
    capturetest::RecordedFrames recorded(theApp.m_CaptureVideo.m_pGraph.get());
    Choose(dlg, ID_START_RECORDER);
    ASSERT_TRUE(dlg.IsRecording);
    ASSERT_TRUE(WaitForFrames(30));
    dlg.setWindowTitle("something else");
    switch (GetParam()) {
        case 0:
            VirtualCameraProvider::addCamera("Virtual Camera 9");
            break;
        case 1:
            VirtualCameraProvider::removeCamera("Virtual Camera 2");
            break;
        case 2:
            Choose(dlg, ID_DEVICE_FIRST);
            break;
        case 3:
            dlg.close();
            break;
        case 4: {  // the desktop session ends: its manager has Qt quit
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(qApp, &quit);
            break;
        }
    }
    ASSERT_TRUE(WaitFor([&] { return !dlg.IsRecording; }));
    EXPECT_EQ(NextVideo(), 1);
    EXPECT_EQ(dlg.windowTitle(), LoadStringId(101));
    const capturetest::AviContents avi = capturetest::ReadAvi(File("NEWAVI_0.avi").toStdString());
    EXPECT_FALSE(avi.error);
    EXPECT_GT(avi.frames, 20);
    EXPECT_TRUE(capturetest::RecordingIsWhole(File("NEWAVI_0.avi"), recorded.count()));
    if (GetParam() < 3) {
        EXPECT_TRUE(WaitFor([&] { return OperationState(dlg) == kDeviceOpen; }));
        EXPECT_TRUE(WaitForFrames(3));
    }
    EXPECT_TRUE(session.messages.isEmpty());
}

std::string InterruptionName(const ::testing::TestParamInfo<int>& info) {
    static const char* const kNames[] = {"CameraAdded", "CameraPulledOut", "OtherCameraChosen",
                                         "WindowClosed", "SessionEnded"};
    return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(By, RecordingInterrupted, ::testing::Values(0, 1, 2, 3, 4),
                         InterruptionName);
