// Recording to AVI through the engine on virtual cameras, read back with other readers.
#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <mutex>
#include <set>
#include <thread>

#include "AviReader.h"
#include "CaptureTestSupport.h"
#include "RecordingCheck.h"
#include "frames/FrameState.h"

using namespace capturetest;
using lumi::devices::PixelFormat;
using lumi::devices::VirtualCameraFault;
using lumi::devices::VirtualCameraFaultName;

namespace {

// Runs fn on every buffer of the camera's output (streaming thread) while the camera lives.
using ProbeFn = std::function<GstPadProbeReturn(GstPad*, GstBuffer*)>;
void Probe(GstElement* camera, ProbeFn fn) {
    auto pad = GstHandle<GstPad>::adopt(gst_element_get_static_pad(camera, "src"));
    gst_pad_add_probe(
        pad.get(), GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad* p, GstPadProbeInfo* info, gpointer f) {
            return (*static_cast<ProbeFn*>(f))(p, GST_PAD_PROBE_INFO_BUFFER(info));
        },
        new ProbeFn(std::move(fn)), [](gpointer f) { delete static_cast<ProbeFn*>(f); });
}

// The capture log's lines while it lives (the category on, as QT_LOGGING_RULES would).
struct CaptureLog {
    CaptureLog() {
        lines.clear();
        QLoggingCategory::setFilterRules("lumivisor.capture.info=true");
        previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext& c, const QString& t) {
                if (QLatin1String(c.category) == "lumivisor.capture") lines << t;
            });
    }
    ~CaptureLog() {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules({});
    }
    static inline QStringList lines;
    QtMessageHandler previous;
};

class CaptureRecording : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        SetMainWindowHandle(&preview);
    }
    // Opens a camera without still pin in the format, the preview running.
    void OpenIn(PixelFormat format, int width, int height) {
        ASSERT_NE(OpenStripped(format, width, height), nullptr);
        engine.ConnectAndRun();
        ASSERT_TRUE(PreviewRuns());
    }
    // More preview frames arrive.
    bool PreviewRuns(int more = 10) {
        const int before = preview.paints;
        return WaitFor([&] { return preview.paints >= before + more; });
    }
    std::size_t Filters() { return FiltersOf(engine.m_pGraph.get()).size(); }
    QString Path(const QString& name) const { return QDir(folder.path()).filePath(name); }
    QTemporaryDir folder;
    lumitest::RepaintCounter preview;
};

// Recordings that cannot start: the message, a failure, no file touched, the preview runs on.
// Then start, record, stop, twice: every MJPG frame sent is in the file unchanged; preview
// returns. Then the camera fails mid-recording.
TEST_F(CaptureRecording, RefusedWholeAndInterruptedRecordings) {
    EXPECT_EQ(engine.StartRecording(Path("NEWAVI_0.avi")), E_POINTER);
    EXPECT_EQ(engine.StopRecording(), E_POINTER);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_FALSE(QFile::exists(Path("NEWAVI_0.avi")));
    ASSERT_NO_FATAL_FAILURE(OpenIn(PixelFormat::Mjpg, 1280, 720));
    const std::size_t previewGraph = Filters();
    ASSERT_TRUE(lumitest::WriteFile(Path("taken.avi"), "keep"));
    for (const QString& path : {Path("missing/NEWAVI_0.avi"), Path("taken.avi"), QString()}) {
        SCOPED_TRACE(path.toStdString());
        messages.texts.clear();
        EXPECT_TRUE(FAILED(engine.StartRecording(path)));
        EXPECT_EQ(messages.texts, QStringList{"Couldn't start the recording!"});
        EXPECT_EQ(Filters(), previewGraph);
        EXPECT_TRUE(PreviewRuns());
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"taken.avi"});
    EXPECT_EQ(lumitest::ReadFile(Path("taken.avi")), "keep");
    messages.texts.clear();
    engine.StopRecording();
    EXPECT_TRUE(messages.texts.isEmpty());
    auto sent = std::make_shared<std::pair<std::mutex, std::set<std::uint64_t>>>();
    Probe(camera.element(), [sent](GstPad*, GstBuffer* buffer) {
        GstMapInfo map;
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            std::lock_guard lock(sent->first);
            sent->second.insert(Digest(map.data, map.size));
            gst_buffer_unmap(buffer, &map);
        }
        return GST_PAD_PROBE_OK;
    });
    for (int n = 0; n < 2; ++n) {
        const QString path = Path(QString("NEWAVI_%1.avi").arg(n));
        const uint64_t sentBefore = camera.framesSent();
        RecordedFrames recorded(engine.m_pGraph.get());
        ASSERT_EQ(engine.StartRecording(path), S_OK);
        EXPECT_TRUE(PreviewRuns(30));  // about a second of preview beside the recording
        std::this_thread::sleep_for(std::chrono::seconds(2));
        engine.StopRecording();
        const double delivered = double(camera.framesSent() - sentBefore);
        EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
        EXPECT_EQ(Filters(), previewGraph);  // multiplexer and writer gone
        EXPECT_TRUE(PreviewRuns());
        const AviContents avi = ReadAvi(path.toStdString());
        EXPECT_FALSE(avi.error);
        // A late frame is repeated to keep time: never fewer pictures than the camera sent.
        EXPECT_NEAR(double(recorded.count()), delivered, 0.02 * delivered + 1);
        EXPECT_TRUE(RecordingIsWhole(path, recorded.count()));
        std::lock_guard lock(sent->first);
        EXPECT_EQ(std::count_if(avi.digests.begin(), avi.digests.end(),
                                [&](std::uint64_t d) { return sent->second.count(d) != 0; }),
                  avi.frames);
    }
    // A camera that fails mid-recording leaves a file with every frame up to then.
    const QString path = Path("NEWAVI_2.avi");
    RecordedFrames recorded(engine.m_pGraph.get());
    const uint64_t sentBefore = camera.framesSent();
    ASSERT_EQ(engine.StartRecording(path), S_OK);
    ASSERT_TRUE(WaitFor([&] { return recorded.count() >= 45; }));
    camera.setFault(VirtualCameraFault::ReadError);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    engine.StopRecording();
    AviContents avi = ReadAvi(path.toStdString());
    EXPECT_FALSE(avi.error);
    // A late frame is repeated to keep time: count the pictures in turn, not the frames.
    auto& d = avi.digests;
    EXPECT_NEAR(std::distance(d.begin(), std::unique(d.begin(), d.end())),
                double(camera.framesSent() - sentBefore), 2);
    EXPECT_TRUE(RecordingIsWhole(path, recorded.count()));
}

using Rate = std::pair<VirtualCameraFault, PixelFormat>;
class RecordingKeepsTime : public CaptureRecording, public ::testing::WithParamInterface<Rate> {};

// A camera off its format's rate: the file lasts as long as the recording, logged in one line.
TEST_P(RecordingKeepsTime, FileLastsAsLongAsTheRecording) {
    ASSERT_NO_FATAL_FAILURE(OpenIn(GetParam().second, 640, 480));
    camera.setFault(GetParam().first);
    CaptureLog log;
    const QString path = Path("NEWAVI_0.avi");
    RecordedFrames recorded(engine.m_pGraph.get());
    QElapsedTimer outer, inner;
    outer.start();
    ASSERT_EQ(engine.StartRecording(path), S_OK);
    inner.start();
    std::this_thread::sleep_for(std::chrono::seconds(6));
    const double wall = inner.nsecsElapsed() / 1e9;
    engine.StopRecording();
    const double within = outer.nsecsElapsed() / 1e9;
    // Up to a frame of the camera's own rate short at each end.
    const double seconds = FileSeconds(path);
    const double cameraRate = double(recorded.count()) / wall;
    const double slack = std::max(0.02 * wall, 2.5 / cameraRate);
    EXPECT_NEAR(seconds, wall, slack);
    EXPECT_TRUE(RecordingIsWhole(path, recorded.count()));
    ASSERT_EQ(log.lines.size(), 1);
    const QRegularExpressionMatch line =
        QRegularExpression(R"(^Recording (.+) ended: (\d+) frames delivered, (\d+) written, )"
                           R"(([\d.]+) s long, the file ([\d.]+) s, the camera ([\d.]+) frames/s$)")
            .match(log.lines[0]);
    ASSERT_TRUE(line.hasMatch()) << log.lines[0].toStdString();
    EXPECT_EQ(line.captured(1), path);
    EXPECT_EQ(line.captured(2).toLongLong(), recorded.count());
    EXPECT_EQ(line.captured(3).toInt(), ReadAvi(path.toStdString()).frames);
    // Logged from the first frame to the end of the file: within the calls, as short as the file.
    EXPECT_GE(line.captured(4).toDouble(), wall - slack);
    EXPECT_LE(line.captured(4).toDouble(), within + 0.01);
    EXPECT_NEAR(line.captured(5).toDouble(), seconds, 0.01);
    // The same frames over a length up to the slack shorter give a rate that much higher.
    EXPECT_NEAR(line.captured(6).toDouble(), cameraRate, cameraRate * slack / (wall - slack));
}

INSTANTIATE_TEST_SUITE_P(VirtualCamera, RecordingKeepsTime,
                         ::testing::Values(Rate{VirtualCameraFault::HalfRate, PixelFormat::Yuy2},
                                           Rate{VirtualCameraFault::RateDip, PixelFormat::Mjpg},
                                           Rate{VirtualCameraFault::FastClock, PixelFormat::Mjpg}),
                         [](const auto& p) { return VirtualCameraFaultName(p.param.first); });

// A recording past 4 GiB is read to its last frame (not under the address sanitizer: too slow).
TEST_F(CaptureRecording, FilePastFourGigabytesIsReadToItsLastFrame) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "not under the address sanitizer";
#endif
    constexpr qint64 kPast = (qint64(4) << 30) + (qint64(200) << 20);
    const qint64 free = QStorageInfo(folder.path()).bytesAvailable();
    if (free < kPast + (qint64(2) << 30)) GTEST_SKIP() << "needs 6.2 GiB free, has " << free;
    ASSERT_NO_FATAL_FAILURE(OpenIn(PixelFormat::Yuy2, 3840, 2160));
    const QString path = Path("NEWAVI_0.avi");
    RecordedFrames recorded(engine.m_pGraph.get());
    ASSERT_EQ(engine.StartRecording(path), S_OK);
    ASSERT_TRUE(WaitFor([&] { return QFileInfo(path).size() > kPast; }, 240000));
    engine.StopRecording();
    const AviContents avi = ReadAvi(path.toStdString());
    EXPECT_FALSE(avi.error);
    EXPECT_GT(avi.frames, int(kPast / (3840 * 2160 * 2)));
    EXPECT_TRUE(RecordingIsWhole(path, recorded.count()));
}

}  // namespace
