// Cameras that misbehave, on the real window: opened and noticed a thousand times, plugged
// and pulled in bursts (also while an engine message box is open), plugged into an empty
// drop-down, busy or forbidden at start, stalled or failing a read, on a loose cable, sending
// damaged MJPEG frames.
#include <unistd.h>

#include <QApplication>
#include <QImageReader>
#include <QLoggingCategory>
#include <QMenu>
#include <QMouseEvent>
#include <atomic>
#include <mutex>
#include <thread>

#include "WindowSupport.h"

using namespace e2e;
using lumi::devices::VirtualCameraFaultName;

namespace {

// GStreamer reads its tracers when it starts, and the engine starts it during static
// initialisation: the leaks tracer (pipelines only) is asked for before that.
struct PipelineTracer {
    PipelineTracer() { setenv("GST_TRACERS", "leaks(filters=GstPipeline)", 1); }
};
__attribute__((init_priority(101))) PipelineTracer pipelineTracer;

// Pipelines alive, as the leaks tracer counts them; -1 without the tracer.
int LivePipelines() {
    int count = -1;
    GList* tracers = gst_tracing_get_active_tracers();
    for (GList* l = tracers; l != nullptr; l = l->next) {
        if (g_strcmp0(G_OBJECT_TYPE_NAME(l->data), "GstLeaksTracer") != 0) continue;
        GstStructure* info = nullptr;
        g_signal_emit_by_name(l->data, "get-live-objects", &info);
        const GValue* list = gst_structure_get_value(info, "live-objects-list");
        count = 0;
        for (guint i = 0; i < gst_value_list_get_size(list); ++i) {
            const GstStructure* object = gst_value_get_structure(gst_value_list_get_value(list, i));
            const GValue* value = gst_structure_get_value(object, "object");
            if (value == nullptr || !G_VALUE_HOLDS(value, GST_TYPE_PIPELINE)) continue;
            ++count;
            // GStreamer 1.22 lists the object without a reference of its own but drops one
            // with the list: one is added for it then.
            guint refs = 0;
            auto* pipeline = static_cast<GObject*>(g_value_get_object(value));
            if (gst_structure_get_uint(object, "ref-count", &refs) && pipeline->ref_count == refs)
                g_object_ref(pipeline);
        }
        gst_structure_free(info);
    }
    g_list_free_full(tracers, gst_object_unref);
    return count;
}

double ResidentMb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    const QList<QByteArray> fields =
        statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ') : QList<QByteArray>();
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1048576.0 : 0;
}

class CameraFaults : public WindowTest {
protected:
    QMenu* Devices() const { return GetSubMenu(dlg.MenuBar(), 1); }
    // The Devices drop-down opened with the mouse: whether it shows.
    bool ClickDevices() {
        QMenuBar* bar = dlg.MenuBar();
        const QPoint at = bar->actionGeometry(Devices()->menuAction()).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent click(type, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(bar, &click);
        }
        WaitFor([] { return false; }, 100);
        return Devices()->isVisible();
    }
};

TEST_F(CameraFaults, AThousandOpensAndNoticesLeaveOnePipelineAndTheMemory) {
    VirtualCameraProvider::addNumberedCameras(2);
    dlg.Create();
    ASSERT_GE(LivePipelines(), 0) << "the leaks tracer is not running";
    auto reopen = [&](int i) { Command(ID_DEVICE_FIRST + UINT(i % 2)); };
    auto notice = [&](int i) {
        if (i % 2 == 0) VirtualCameraProvider::addCamera("Plugged Camera");
        if (i % 2 == 1) VirtualCameraProvider::removeCamera("Plugged Camera");
        ASSERT_TRUE(WaitFor([&] { return dlg.DeviceList->count() == 3 - i % 2 && Open(); }));
    };
    for (int i = 0; i < 100; ++i) reopen(i);  // warm-up: caches, pools, fonts
    for (int i = 0; i < 20; ++i) ASSERT_NO_FATAL_FAILURE(notice(i));
    const double before = ResidentMb();
    for (int i = 0; i < 1000; ++i) reopen(i);
    EXPECT_EQ(LivePipelines(), 1);
    for (int i = 0; i < 1000; ++i) ASSERT_NO_FATAL_FAILURE(notice(i));
    EXPECT_EQ(LivePipelines(), 1);
#ifndef __SANITIZE_ADDRESS__  // its quarantine keeps freed memory; it checks leaks itself
    EXPECT_LT(ResidentMb() - before, 10.0) << before << " MB before";
#endif
    EXPECT_TRUE(WaitForFrames(2));
    EXPECT_TRUE(session.messages.isEmpty());
    Engine().ReleaseGraph();
    EXPECT_EQ(LivePipelines(), 0);
}

// An empty drop-down is never shown (its title is greyed), one that loses its last entry
// while open closes, and it opens whenever it has entries.
TEST_F(CameraFaults, DevicesDropDownOpensWheneverItHasEntries) {
    dlg.Create();
    for (int round = 0; round < 2; ++round) {
        EXPECT_FALSE(ClickDevices());
        VirtualCameraProvider::addCamera("Late Camera");
        ASSERT_TRUE(WaitFor([&] { return Devices()->actions().size() == 1; }));
        EXPECT_TRUE(ClickDevices());
        EXPECT_FALSE(Devices()->size().isEmpty());
        VirtualCameraProvider::removeAll();
        ASSERT_TRUE(WaitFor([&] { return Devices()->isEmpty(); }));
        EXPECT_FALSE(Devices()->isVisible());
    }
}

class StartFailure : public CameraFaults,
                     public ::testing::WithParamInterface<VirtualCameraFault> {};

// The message names the camera and the cause, in the interface language (a camera short of
// USB bandwidth is never said to have a full disk); the window stays as after a failed open,
// and choosing the camera again retries.
TEST_P(StartFailure, MessageNamesTheCameraAndTheCauseAndChoosingAgainRetries) {
    const int text = GetParam() == VirtualCameraFault::BusyAtStart    ? 176
                     : GetParam() == VirtualCameraFault::NoPermission ? 178
                                                                      : 182;
    VirtualCameraProvider::addCamera("Held Camera");
    VirtualCameraProvider::setFault("Held Camera", GetParam());
    dlg.Create();
    ASSERT_EQ(session.messages, QStringList{LoadStringForLanguage(text, 0).arg("Held Camera")});
    EXPECT_TRUE(session.messages[0].contains("Held Camera"));
    EXPECT_EQ(dlg.SelectedDevice, -1);
    EXPECT_EQ(Operation(), kNoDevice);

    dlg.OnRussian();
    Command(ID_DEVICE_FIRST);
    ASSERT_EQ(session.messages.size(), 2);
    EXPECT_EQ(session.messages[1], LoadStringForLanguage(text, 1).arg("Held Camera"));
    EXPECT_NE(session.messages[1], session.messages[0]);

    VirtualCameraProvider::setFault("Held Camera", VirtualCameraFault::None);
    Command(ID_DEVICE_FIRST);
    EXPECT_TRUE(Open());
    EXPECT_TRUE(WaitForFrames(3));
    EXPECT_EQ(session.messages.size(), 2);
}

INSTANTIATE_TEST_SUITE_P(Camera, StartFailure,
                         ::testing::Values(VirtualCameraFault::BusyAtStart,
                                           VirtualCameraFault::NoPermission,
                                           VirtualCameraFault::NoBandwidthAtStart),
                         [](const auto& test) { return VirtualCameraFaultName(test.param); });

class NoPicture : public CameraFaults, public ::testing::WithParamInterface<VirtualCameraFault> {};

// The sign over the last picture within 3 s (on screen only: Snap writes nothing) and the
// picture back by itself once frames flow again. A stall ends a recording, its file
// complete (the preview starts again at once); after a read error (a glitch, gone by itself)
// the graph is rebuilt a few seconds later.
TEST_P(NoPicture, SignShowsAndThePictureComesBack) {
    const bool recording = GetParam() == VirtualCameraFault::Stall;
    ASSERT_NO_FATAL_FAILURE(Start());
    if (recording) Command(ID_START_RECORDER);
    ASSERT_EQ(dlg.IsRecording, recording);
    ASSERT_TRUE(WaitForFrames(30));

    const auto faulted = std::chrono::steady_clock::now();
    VirtualCameraProvider::setFault("Virtual Camera 1", GetParam());
    ASSERT_TRUE(WaitFor([&] { return dlg.NoPictureShown(); }, 3000));
    EXPECT_LT(std::chrono::steady_clock::now() - faulted, std::chrono::seconds(3));
    EXPECT_FALSE(dlg.IsRecording);
    if (recording) {
        EXPECT_EQ(NextVideo(), 1);
        ExpectComplete(File("NEWAVI_0.avi"), 20);
    }
    // The sign: a dark box across the middle of the picture, white letters on it.
    dlg.repaint();
    const QImage shown = GrabPicture(dlg);
    const QRect middle(shown.width() * 3 / 10, shown.height() * 46 / 100, shown.width() * 2 / 5,
                       shown.height() * 8 / 100);
    int dark = 0, white = 0;
    for (int y = middle.top(); y <= middle.bottom(); ++y) {
        for (int x = middle.left(); x <= middle.right(); ++x) {
            const QColor c = shown.pixelColor(x, y);
            dark += std::max({c.red(), c.green(), c.blue()}) < 90;
            white += Near(c, Qt::white, 40);
        }
    }
    const int area = middle.width() * middle.height();
    EXPECT_GT(dark, area / 2);
    EXPECT_GT(white, area / 50);

    Command(ID_SNAP);
    if (recording) VirtualCameraProvider::setFault("Virtual Camera 1", VirtualCameraFault::None);
    ASSERT_TRUE(WaitFor([&] { return !dlg.NoPictureShown(); }));
    EXPECT_TRUE(WaitForFrames(10));
    EXPECT_FALSE(QFile::exists(File("NEWPIC_0.jpg")));
    EXPECT_EQ(Operation(), kDeviceOpen);
    EXPECT_TRUE(session.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Camera, NoPicture,
                         ::testing::Values(VirtualCameraFault::Stall,
                                           VirtualCameraFault::ReadError),
                         [](const auto& test) { return VirtualCameraFaultName(test.param); });

// Switched on with the logging rules, the media category gets a line for a camera that
// cannot be read (the pipeline's error, with the element that reported it).
TEST_F(CameraFaults, ReadErrorLeavesALineInTheMediaCategory) {
    static std::mutex mutex;
    static QStringList lines;
    ASSERT_NO_FATAL_FAILURE(Start());
    QLoggingCategory::setFilterRules(QStringLiteral("lumivisor.media=true"));
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& m) {
            std::lock_guard lock(mutex);
            if (qstrcmp(context.category, "lumivisor.media") == 0) lines << m;
        });
    VirtualCameraProvider::setFault("Virtual Camera 1", VirtualCameraFault::ReadError);
    const bool shown = WaitFor([&] { return dlg.NoPictureShown(); }, 3000);
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    VirtualCameraProvider::setFault("Virtual Camera 1", VirtualCameraFault::None);
    EXPECT_TRUE(shown);
    std::lock_guard lock(mutex);
    EXPECT_TRUE(lines.filter(QStringLiteral("error from")).size() > 0)
        << lines.join('\n').toStdString();
}

// The recording camera, the only one, unplugged: the menu empties and greys; another camera
// arriving opens without recording, fitted; the same camera back within 10 s records on into
// the next file.
TEST_F(CameraFaults, LooseCableRecordsOnIntoTheNextFile) {
    VirtualCameraProvider::addCamera("Scope");
    dlg.Create();
    Command(ID_START_RECORDER);
    ASSERT_TRUE(WaitForFrames(30));
    VirtualCameraProvider::removeCamera("Scope");
    ASSERT_TRUE(WaitFor([&] { return dlg.DeviceList->count() == 0 && !dlg.IsRecording; }));
    EXPECT_TRUE(DeviceMenu().isEmpty());
    EXPECT_EQ(dlg.SelectedDevice, -1);
    EXPECT_EQ(Operation(), kNoDevice);
    dlg.setGeometry(5, 5, 400, 300);  // the user's; the next open fits and centres again
    VirtualCameraProvider::addCamera("Other");
    ASSERT_TRUE(WaitFor([&] { return dlg.DeviceList->count() == 1 && Open(); }));
    EXPECT_FALSE(dlg.IsRecording);
    EXPECT_TRUE(Checked(ID_DEVICE_FIRST));
    EXPECT_EQ(Operation(), kDeviceOpen);
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    EXPECT_TRUE(Centred());

    VirtualCameraProvider::addCamera("Scope");
    ASSERT_TRUE(WaitFor([&] { return dlg.IsRecording; }));
    EXPECT_EQ(dlg.DeviceList->itemText(dlg.SelectedDevice), "Scope");
    ASSERT_TRUE(WaitForFrames(30));
    EXPECT_FALSE(Near(ColourAt(GrabPicture(dlg), 0.99, 0.01), QColor(0, 0, 0), 40));  // R
    Command(ID_STOP_RECORDER);
    ExpectComplete(File("NEWAVI_0.avi"), 20);
    ExpectComplete(File("NEWAVI_1.avi"), 20);
    EXPECT_EQ(NextVideo(), 2);
    EXPECT_TRUE(session.messages.isEmpty());
}

class DamagedFrames : public CameraFaults,
                      public ::testing::WithParamInterface<VirtualCameraFault> {};

// Every other MJPG frame damaged: the picture stays live and ten pictures are whole JPEGs
// of the camera's size.
TEST_P(DamagedFrames, PictureStaysLiveAndPicturesAreWhole) {
    ASSERT_NO_FATAL_FAILURE(Start());
    auto* source = dynamic_cast<CaptureSourceFilter*>(Engine().m_pCaptureFilter.get());
    ASSERT_NE(source, nullptr);
    Engine().m_pMediaControl->Stop();
    Engine().ResetGraph();
    ASSERT_EQ(source->setFormat({lumi::devices::PixelFormat::Mjpg, 640, 480}), S_OK);
    Engine().ConnectAndRun();
    VirtualCameraProvider::setFault("Virtual Camera 1", GetParam());
    ASSERT_EQ(OpenCamera().fault(), GetParam());
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(WaitForFrames(3));
        Command(ID_SNAP);
        const QString name = File(QString("NEWPIC_%1.jpg").arg(i));
        ASSERT_TRUE(WaitFor([&] { return QImageReader(name).canRead(); })) << i;
        QImageReader reader(name);
        EXPECT_EQ(reader.format(), "jpeg");
        EXPECT_EQ(reader.read().size(), QSize(640, 480)) << reader.errorString().toStdString();
    }
    EXPECT_FALSE(dlg.NoPictureShown());
    EXPECT_TRUE(session.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Camera, DamagedFrames, ::testing::ValuesIn(lumi::devices::kFrameDamages),
                         [](const auto& test) { return VirtualCameraFaultName(test.param); });

// Device notices in bursts, faster than the window can reopen, and raw WM_DEVICECHANGE posts
// of every kind: the window ends with the menu of the cameras present and the last one open.
QStringList Present() {
    QStringList names;
    for (const std::string& n : VirtualCameraProvider::cameras()) names << n.c_str();
    return names;
}

class NoticeFaults : public WindowTest {
protected:
    // The window has caught up with the cameras present: menu and list in their order, the
    // last one checked and open, no notice waiting.
    bool CaughtUp() const {
        const QStringList present = Present();
        return DeviceMenu() == present && dlg.DeviceList->count() == present.size() &&
               dlg.SelectedDevice == present.size() - 1 &&
               Checked(ID_DEVICE_FIRST + UINT(present.size() - 1)) && Open() &&
               !dlg.DeviceNoticeDeferred();
    }
    // One notice of the burst: a camera plugged or pulled (through the device monitor), or a
    // raw post of an arrival, a removal or another device event the window ignores. At most
    // three burst cameras: with the others never more than the eight a menu holds.
    void Notice(int i) {
        const auto name = [](int k) { return "Burst Camera " + std::to_string(k % 3); };
        if (i % 4 == 0) VirtualCameraProvider::addCamera(name(i / 4));
        if (i % 4 == 1) VirtualCameraProvider::removeCamera(name(i / 4 + 1));
        const WPARAM raw = i % 4 == 3   ? 0x0007  // nodes changed
                           : i % 8 == 2 ? DBT_DEVICEARRIVAL
                                        : DBT_DEVICEREMOVECOMPLETE;
        if (i % 4 >= 2) PostMessage(&dlg, WM_DEVICECHANGE, raw, 0);
    }
};

TEST_F(NoticeFaults, ThousandNoticesInABurstEndWithTheLastCameraOpen) {
    VirtualCameraProvider::addNumberedCameras(2);
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(Open());
    // Half the burst comes from another thread while the window handles the rest.
    std::atomic<bool> go{false};
    std::thread plugger([&] {
        while (!go) std::this_thread::yield();
        for (int i = 0; i < 250; ++i) {
            VirtualCameraProvider::addCamera("Thread Camera " + std::to_string(i % 2));
            VirtualCameraProvider::removeCamera("Thread Camera " + std::to_string((i + 1) % 2));
        }
    });
    go = true;
    for (int i = 0; i < 500; ++i) {
        Notice(i);
        if (i % 50 == 0) QCoreApplication::processEvents();
    }
    plugger.join();
    // Whatever the order of delivery, the window ends on the cameras present.
    ASSERT_TRUE(WaitFor([&] { return CaughtUp(); }, 120000)) << Present().join(", ").toStdString();
    // A camera pulled out between the listing and its opening is reported as a graph that
    // cannot be built; no other message may show.
    for (const QString& message : session.messages)
        EXPECT_EQ(message, LoadStringForLanguage(152, LanguageFlag));
    EXPECT_EQ(Operation(), kDeviceOpen);
    // And keeps up with the next single change.
    VirtualCameraProvider::addCamera("After The Burst");
    ASSERT_TRUE(WaitFor([&] { return CaughtUp(); }, 30000))
        << "present: " << Present().join(", ").toStdString()
        << "; menu: " << DeviceMenu().join(", ").toStdString()
        << "; selected: " << dlg.SelectedDevice << "; open: " << Open();
    EXPECT_EQ(DeviceMenu().last(), "After The Burst");
}

// The notices reach the window in the box's own event loop: none may touch the graph or the
// list while the operation runs; once it has returned, the window catches up.
TEST_F(NoticeFaults, BurstWhileAMessageBoxIsOpenIsHandledOnceItCloses) {
    VirtualCameraProvider::addNumberedCameras(2);
    ASSERT_TRUE(dlg.Create());
    int listedAfterBurst = -1;
    bool deferred = false;
    session.onMessage = [&](const QString&) {
        if (listedAfterBurst >= 0) return;
        RestoreClasses();
        for (int i = 0; i < 200; ++i) {
            Notice(i);
            if (i % 20 == 0) QCoreApplication::processEvents();
        }
        deferred = WaitFor([&] { return dlg.DeviceNoticeDeferred(); });
        WaitFor([] { return false; }, 300);
        listedAfterBurst = dlg.DeviceList->count();
    };
    BreakSampleGrabbers();
    Choose(ID_DEVICE_FIRST);
    RestoreClasses();
    EXPECT_TRUE(deferred);
    EXPECT_EQ(listedAfterBurst, 2);
    ASSERT_TRUE(WaitFor([&] { return CaughtUp(); }, 60000)) << Present().join(", ").toStdString();
    EXPECT_EQ(session.messages.size(), 1);
}

}  // namespace
