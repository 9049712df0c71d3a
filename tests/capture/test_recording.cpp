// Recording to AVI on virtual cameras: the capture stream unchanged in the file beside the
// running preview, the stop completing the file and restoring the preview, and recordings
// that cannot start.
#include "media/GstHandle.h"  // first: WinTypes.h before GLib

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "AviReader.h"
#include "CaptureTestSupport.h"
#include "RecordingCheck.h"
#include "capture/CCaptureVideo.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/FrameState.h"
#include "media/CaptureSourceFilter.h"
#include "media/MediaType.h"
#include "media/VirtualCameraProvider.h"
#include "platform/WindowMessage.h"
#include "settings/SharedState.h"

using namespace capturetest;
using lumi::devices::VirtualCamera;
using lumi::devices::VirtualCameraFault;
using lumi::devices::VirtualCameraFaultName;
using lumi::devices::VirtualCameraProvider;

namespace {

// Counts the repaint requests of the frame sink: one per preview frame taken.
class PreviewCounter : public QObject {
public:
    std::atomic<int> frames{0};

protected:
    bool event(QEvent* e) override {
        if (e->type() == WindowMessageEvent::eventType()) {
            ++frames;
            AcknowledgeRepaint();
            return true;
        }
        return QObject::event(e);
    }
};

// Digests of the frames the camera's capture output sends. The probe shares the digests:
// a streaming thread inside the probe when it is removed finishes with them, not with freed
// memory (the graph still runs when this goes).
class SentFrames {
public:
    explicit SentFrames(GstElement* camera) {
        pad_ = gst_element_get_static_pad(camera, "src");
        if (pad_)
            probe_ = gst_pad_add_probe(pad_, GST_PAD_PROBE_TYPE_BUFFER, &SentFrames::onBuffer,
                                       new std::shared_ptr<Digests>(digests_),
                                       [](gpointer p) { delete static_cast<Shared*>(p); });
    }
    ~SentFrames() {
        if (pad_) {
            gst_pad_remove_probe(pad_, probe_);
            gst_object_unref(pad_);
        }
    }
    bool contains(std::uint64_t digest) {
        std::lock_guard lock(digests_->mutex);
        return digests_->values.count(digest) != 0;
    }

private:
    struct Digests {
        std::mutex mutex;
        std::set<std::uint64_t> values;
    };
    using Shared = std::shared_ptr<Digests>;

    static GstPadProbeReturn onBuffer(GstPad*, GstPadProbeInfo* info, gpointer shared) {
        Digests& sent = **static_cast<Shared*>(shared);
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        GstMapInfo map;
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            std::lock_guard lock(sent.mutex);
            sent.values.insert(Digest(map.data, map.size));
            gst_buffer_unmap(buffer, &map);
        }
        return GST_PAD_PROBE_OK;
    }

    GstPad* pad_ = nullptr;
    gulong probe_ = 0;
    Shared digests_ = std::make_shared<Digests>();
};

struct Format {
    GUID subtype;
    LONG width;
    LONG height;
    const char* name;
};

class CaptureRecordingBase : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        VirtualCameraProvider::removeAll();
        LanguageFlag = 0;
        StillRequested = 0;
        PreviewFrozen = 0;
        FreeFrameBuffer();
        SetMainWindowHandle(&preview);
    }
    void TearDown() override {
        engine.ReleaseGraph();
        SetMainWindowHandle(nullptr);
        VirtualCameraProvider::removeAll();
        FreeFrameBuffer();
    }
    // Opens a new camera (no still pin) in the given format.
    void Open(const Format& format) {
        VirtualCameraProvider::addCamera("Recording Camera");
        DeviceListWindow list;
        engine.EnumDevices(&list);
        const int position = static_cast<int>(list.entries.indexOf("Recording Camera"));
        ASSERT_GE(position, 0);
        ASSERT_EQ(engine.OpenDevice(position), 0);
        engine.m_pMediaControl->Stop();
        engine.ResetGraph();
        ASSERT_TRUE(SetFormat(format));
        ASSERT_TRUE(SUCCEEDED(engine.ConnectAndRun()) || messages.texts.isEmpty());
        ASSERT_EQ(engine.m_nWidth, format.width);
        ASSERT_EQ(engine.m_nHeight, format.height);
        auto* source = dynamic_cast<CaptureSourceFilter*>(engine.m_pCaptureFilter.get());
        ASSERT_NE(source, nullptr);
        camera = VirtualCamera::fromElement(source->sourceElement());
        ASSERT_TRUE(camera.valid());
        ASSERT_TRUE(PreviewRuns());
    }
    bool SetFormat(const Format& format) {
        ComPtr<IAMStreamConfig> config;
        if (FAILED(engine.m_pCaptureBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                                           engine.m_pCaptureFilter.get(),
                                                           IID_IAMStreamConfig, config.putVoid())))
            return false;
        int count = 0, size = 0;
        config->GetNumberOfCapabilities(&count, &size);
        bool set = false;
        for (int i = 0; i < count && !set; ++i) {
            AM_MEDIA_TYPE* mt = nullptr;
            VIDEO_STREAM_CONFIG_CAPS caps{};
            if (config->GetStreamCaps(i, &mt, reinterpret_cast<BYTE*>(&caps)) != S_OK) continue;
            const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
            if (mt->subtype == format.subtype && info->bmiHeader.biWidth == format.width &&
                info->bmiHeader.biHeight == format.height)
                set = SUCCEEDED(config->SetFormat(mt));
            DeleteMediaType(mt);
        }
        return set;
    }
    // More preview frames arrive.
    bool PreviewRuns(int more = 10) {
        const int before = preview.frames;
        return WaitFor([&] { return preview.frames >= before + more; });
    }
    std::vector<std::wstring> Names() { return SortedNames(engine.m_pGraph.get()); }
    QString Path(const QString& name) const { return QDir(folder.path()).filePath(name); }

    QTemporaryDir folder;
    PreviewCounter preview;
    CCaptureVideo engine;
    VirtualCamera camera;
    MessageRecorder messages;
};

class CaptureRecording : public CaptureRecordingBase,
                         public ::testing::WithParamInterface<Format> {};

// Start, 3 s, stop, twice: each file holds every frame the camera sent in its own format
// (MJPG bytes as sent), the preview runs throughout and returns at the same size.
TEST_P(CaptureRecording, FileHoldsTheCaptureStreamUnchanged) {
    const Format format = GetParam();
    ASSERT_NO_FATAL_FAILURE(Open(format));
    SentFrames sent(camera.element());
    const auto previewGraph = Names();
    for (int n = 0; n < 2; ++n) {
        const QString path = Path(QString("NEWAVI_%1.avi").arg(n));
        const uint64_t sentBefore = camera.framesSent();
        RecordedFrames recorded(engine.m_pGraph.get());
        ASSERT_EQ(engine.StartRecording(path), S_OK);
        const auto recordingGraph = Names();
        EXPECT_NE(std::find(recordingGraph.begin(), recordingGraph.end(), L"AVI Mux"),
                  recordingGraph.end());
        EXPECT_TRUE(PreviewRuns(30));  // about a second of preview beside the recording
        std::this_thread::sleep_for(std::chrono::seconds(2));
        engine.StopRecording();
        const uint64_t delivered = camera.framesSent() - sentBefore;
        EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
        EXPECT_EQ(NameOf(engine.m_pCaptureFilter.get()), L"Capture source");
        EXPECT_EQ(Names(), previewGraph);  // multiplexer and writer gone
        EXPECT_EQ(engine.m_nWidth, format.width);
        EXPECT_EQ(engine.m_nHeight, format.height);
        EXPECT_TRUE(PreviewRuns());

        const AviContents avi = ReadAvi(path.toStdString());
        EXPECT_FALSE(avi.error);
        EXPECT_GT(avi.frames, 60);
        EXPECT_NEAR(avi.frames, double(delivered), 0.02 * double(delivered) + 1);
        EXPECT_TRUE(RecordingIsWhole(path, recorded.count()));
        EXPECT_EQ(avi.width, format.width);
        EXPECT_EQ(avi.height, format.height);
        if (format.subtype == MEDIASUBTYPE_MJPG) {
            EXPECT_EQ(avi.mediaType, "image/jpeg");
            int same = 0;
            for (std::uint64_t d : avi.digests) same += sent.contains(d) ? 1 : 0;
            EXPECT_EQ(same, avi.frames);  // no re-encoding
        } else {
            EXPECT_EQ(avi.mediaType, "video/x-raw");
            EXPECT_EQ(avi.format, "YUY2");
        }
    }
    engine.ReleaseGraph();  // no frame reaches the probe while it goes
}

INSTANTIATE_TEST_SUITE_P(VirtualCamera, CaptureRecording,
                         ::testing::Values(Format{MEDIASUBTYPE_YUY2, 640, 480, "Yuy2"},
                                           Format{MEDIASUBTYPE_MJPG, 1280, 720, "Mjpg"}),
                         [](const auto& p) { return std::string(p.param.name); });

// Makes the camera's capture output behave like a camera pulled out after `frames` more
// buffers: its source reports that the device is gone, sends end of stream and nothing more.
class Unplug {
public:
    Unplug(GstElement* camera, int frames) : camera_(camera), left_(frames) {
        pad_ = gst_element_get_static_pad(camera, "src");
        probe_ =
            gst_pad_add_probe(pad_, GST_PAD_PROBE_TYPE_BUFFER, &Unplug::onBuffer, this, nullptr);
    }
    ~Unplug() {
        gst_pad_remove_probe(pad_, probe_);
        gst_object_unref(pad_);
    }
    bool gone() const { return gone_; }

private:
    static GstPadProbeReturn onBuffer(GstPad* pad, GstPadProbeInfo*, gpointer self) {
        auto* u = static_cast<Unplug*>(self);
        if (u->gone_) return GST_PAD_PROBE_DROP;
        if (--u->left_ > 0) return GST_PAD_PROBE_OK;
        u->gone_ = true;
        GST_ELEMENT_ERROR(u->camera_, RESOURCE, READ, ("Device gone"), (nullptr));
        gst_pad_push_event(pad, gst_event_new_eos());
        return GST_PAD_PROBE_DROP;
    }

    GstElement* camera_;
    std::atomic<int> left_;
    std::atomic<bool> gone_{false};
    GstPad* pad_ = nullptr;
    gulong probe_ = 0;
};

// A camera pulled out during a recording: the file holds every frame up to that moment
// and plays to its end.
TEST_F(CaptureRecordingBase, UnpluggedCameraLeavesACompleteFile) {
    ASSERT_NO_FATAL_FAILURE(Open({MEDIASUBTYPE_MJPG, 640, 480, "Mjpg"}));
    const QString path = Path("NEWAVI_0.avi");
    RecordedFrames recorded(engine.m_pGraph.get());
    ASSERT_EQ(engine.StartRecording(path), S_OK);
    Unplug unplug(camera.element(), 45);
    ASSERT_TRUE(WaitFor([&] { return unplug.gone(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    engine.StopRecording();
    const AviContents avi = ReadAvi(path.toStdString());
    EXPECT_FALSE(avi.error);
    EXPECT_NEAR(avi.frames, 45, 2);
    EXPECT_EQ(avi.mediaType, "image/jpeg");
    EXPECT_TRUE(RecordingIsWhole(path, recorded.count()));
    engine.ReleaseGraph();  // no frame reaches the probe while it goes
}

// The capture log's lines while it lives (the category turned on as QT_LOGGING_RULES would).
class CaptureLog {
public:
    CaptureLog() {
        lines_.clear();
        QLoggingCategory::setFilterRules("lumivisor.capture.info=true");
        previous_ = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext& context, const QString& text) {
                if (QLatin1String(context.category) == "lumivisor.capture") lines_ << text;
            });
    }
    ~CaptureLog() {
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules({});
    }
    static inline QStringList lines_;

private:
    QtMessageHandler previous_;
};

constexpr Format kYuy2{MEDIASUBTYPE_YUY2, 640, 480, "Yuy2"};
constexpr Format kMjpg{MEDIASUBTYPE_MJPG, 640, 480, "Mjpg"};

struct RateCase {
    VirtualCameraFault fault;
    Format format;
};
void PrintTo(const RateCase& c, std::ostream* out) {
    *out << VirtualCameraFaultName(c.fault) << " " << c.format.name;
}

class RecordingKeepsTime : public CaptureRecordingBase,
                           public ::testing::WithParamInterface<RateCase> {};

// A camera that delivers another rate than its format says: the file lasts as long as the
// recording did, within 2 % or a frame, shows every frame delivered in turn (a late frame
// repeated, none dropped), and the capture log says so in one line.
TEST_P(RecordingKeepsTime, FileLastsAsLongAsTheRecording) {
    ASSERT_NO_FATAL_FAILURE(Open(GetParam().format));
    camera.setFault(GetParam().fault);
    CaptureLog log;
    const QString path = Path("NEWAVI_0.avi");
    RecordedFrames recorded(engine.m_pGraph.get());
    ASSERT_EQ(engine.StartRecording(path), S_OK);
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(6));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    engine.StopRecording();

    const double seconds = FileSeconds(path);
    EXPECT_NEAR(seconds, wall, std::max(0.02 * wall, 1 / 30.0));
    EXPECT_TRUE(RecordingIsWhole(path, recorded.count()));
    const AviContents avi = ReadAvi(path.toStdString());
    ASSERT_EQ(log.lines_.size(), 1);
    const QRegularExpressionMatch line =
        QRegularExpression(R"(^Recording (.+) ended: (\d+) frames delivered, (\d+) written, )"
                           R"(([\d.]+) s long, the file ([\d.]+) s, the camera ([\d.]+) frames/s$)")
            .match(log.lines_[0]);
    ASSERT_TRUE(line.hasMatch()) << log.lines_[0].toStdString();
    EXPECT_EQ(line.captured(1), path);
    EXPECT_EQ(line.captured(2).toLongLong(), recorded.count());
    EXPECT_EQ(line.captured(3).toInt(), avi.frames);
    EXPECT_NEAR(line.captured(4).toDouble(), wall, 0.1);
    EXPECT_NEAR(line.captured(5).toDouble(), seconds, 0.01);
    EXPECT_NEAR(line.captured(6).toDouble(), double(recorded.count()) / wall, 0.5);
}

INSTANTIATE_TEST_SUITE_P(VirtualCamera, RecordingKeepsTime,
                         ::testing::Values(RateCase{VirtualCameraFault::HalfRate, kYuy2},
                                           RateCase{VirtualCameraFault::RateDip, kMjpg},
                                           RateCase{VirtualCameraFault::FastClock, kMjpg}),
                         [](const auto& p) { return VirtualCameraFaultName(p.param.fault); });

// A recording past 4 GiB (raw 3840 x 2160 frames, 16 MB each) is whole: GStreamer's demuxer
// and ffmpeg read it to its last frame. Left out under the address sanitizer: it checks the
// multiplexer and the disk, and minutes of writing would add nothing the small recordings do
// not check there.
TEST_F(CaptureRecordingBase, FilePastFourGigabytesIsReadToItsLastFrame) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "not under the address sanitizer";
#endif
    constexpr qint64 kPast = (qint64(4) << 30) + (qint64(200) << 20);
    const qint64 free = QStorageInfo(folder.path()).bytesAvailable();
    if (free < kPast + (qint64(2) << 30))
        GTEST_SKIP() << "needs " << ((kPast >> 30) + 2) << " GiB free in "
                     << folder.path().toStdString() << ", has " << (free >> 20) << " MiB";
    ASSERT_NO_FATAL_FAILURE(Open({MEDIASUBTYPE_YUY2, 3840, 2160, "Yuy2"}));
    const QString path = Path("NEWAVI_0.avi");
    RecordedFrames recorded(engine.m_pGraph.get());
    ASSERT_EQ(engine.StartRecording(path), S_OK);
    EXPECT_TRUE(WaitFor([&] { return QFileInfo(path).size() > kPast; }, 240000));
    engine.StopRecording();
    EXPECT_GT(QFileInfo(path).size(), kPast);
    const AviContents avi = ReadAvi(path.toStdString());
    EXPECT_FALSE(avi.error);
    EXPECT_GT(avi.frames, int(kPast / (3840 * 2160 * 2)));
    EXPECT_EQ(avi.width, 3840);
    EXPECT_TRUE(RecordingIsWhole(path, recorded.count()));
    QFile::remove(path);
}

class CaptureRecordingRefused : public CaptureRecordingBase {};

// A file that cannot be created (missing folder, a name already taken, no name): the
// message, a failure code, no file touched, and the preview runs on unchanged.
TEST_F(CaptureRecordingRefused, ShowsTheMessageAndKeepsThePreview) {
    ASSERT_NO_FATAL_FAILURE(Open({MEDIASUBTYPE_YUY2, 640, 480, "Yuy2"}));
    const auto before = Names();
    {
        QFile taken(Path("NEWAVI_0.avi"));
        ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
        taken.write("keep");
    }
    for (const QString& path : {Path("missing/NEWAVI_0.avi"), Path("NEWAVI_0.avi"), QString()}) {
        messages.texts.clear();
        EXPECT_TRUE(FAILED(engine.StartRecording(path))) << path.toStdString();
        EXPECT_EQ(messages.texts, QStringList{"Couldn't start the recording!"});
        EXPECT_EQ(Names(), before);
        EXPECT_TRUE(PreviewRuns());
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"NEWAVI_0.avi"});
    QFile taken(Path("NEWAVI_0.avi"));
    ASSERT_TRUE(taken.open(QIODevice::ReadOnly));
    EXPECT_EQ(taken.readAll(), "keep");
}

TEST_F(CaptureRecordingRefused, RussianMessage) {
    ASSERT_NO_FATAL_FAILURE(Open({MEDIASUBTYPE_YUY2, 640, 480, "Yuy2"}));
    LanguageFlag = 1;
    EXPECT_TRUE(FAILED(engine.StartRecording(Path("missing/NEWAVI_0.avi"))));
    EXPECT_EQ(messages.texts, QStringList{QString::fromUtf8("Не удалось начать запись видео!")});
}

TEST_F(CaptureRecordingRefused, WithoutADeviceNothingHappens) {
    EXPECT_EQ(engine.StartRecording(Path("NEWAVI_0.avi")), E_POINTER);
    EXPECT_EQ(engine.StopRecording(), E_POINTER);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_FALSE(QFile::exists(Path("NEWAVI_0.avi")));
    EXPECT_FALSE(engine.m_pGraph);
}

// Stop without a recording still strips, reconnects and restarts the preview.
TEST_F(CaptureRecordingRefused, StopWithoutRecordingRestartsThePreview) {
    ASSERT_NO_FATAL_FAILURE(Open({MEDIASUBTYPE_YUY2, 640, 480, "Yuy2"}));
    engine.StopRecording();
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(NameOf(engine.m_pCaptureFilter.get()), L"Capture source");
    EXPECT_TRUE(PreviewRuns());
}

}  // namespace
