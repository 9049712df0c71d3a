// The preview benchmark. For each camera format of the matrix (640x480, 1920x1080 and
// 3840x2160, YUY2 and MJPG, 30 frames per second) it runs, one after the other and each in a
// process of its own:
//   - offscreen: the program's main window on Qt's offscreen screen (1920x1080), against
//     gst-launch-1.0 on the same camera element with GStreamer's own decoder and converter
//     into a fakesink (BGR);
//   - display: the program on an Xvfb screen (3840x2160, started here), against
//     gst-launch-1.0 showing the same camera in an ximagesink on that screen: the bare
//     viewer, `... ! [jpegdec !] videoconvert ! ximagesink`.
// Figures of the program: frames sent by the camera, frames reaching the frame sink,
// frames painted (repaints of a frame included), frames dropped (sent but not painted),
// CPU seconds (user + system) per frame sent, the longest gap between painted frames and
// the peak resident memory. Of gst-launch-1.0: frames reaching its sink (counted by the
// plugin module's lumiframecount), CPU per frame and peak memory, read from /proc.
// The ratios of CPU per frame are cpu_ratio_fakesink and cpu_ratio_ximagesink; at
// 1920x1080 the display runs add the ratio of peak memory and, after the CPU window, the
// longest gap between painted frames while pictures are written (one a second).
// Each run measures `seconds` after 2 s of warm-up. Prints one JSON line.
//
//   bench_preview [seconds] [FORMAT[:WIDTHxHEIGHT]...]   (default 60 s, the whole matrix;
//                 e.g. MJPG, or MJPG:1920x1080 for one run)
//   bench_preview --one YUY2|MJPG WIDTH HEIGHT SECONDS PICTURES   (one run; internal)
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "BenchSupport.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/FrameState.h"
#include "media/MediaClasses.h"
#include "media/devices/virtual/VirtualCameraProvider.h"
#include "media/graph/MediaType.h"
#include "media/source/CaptureSourceFilter.h"
#include "platform/widgets/DialogBuilder.h"
#include "resources/ResourceIds.h"
#include "settings/SharedState.h"

namespace {

constexpr int kWarmUpMs = 2000;
constexpr const char* kDisplayScreen = "3840x2160x24";

struct Format {
    const char* name;  // YUY2 or MJPG
    int width;
    int height;
};

const Format kMatrix[] = {
    {"YUY2", 640, 480},   {"MJPG", 640, 480},   {"YUY2", 1920, 1080},
    {"MJPG", 1920, 1080}, {"YUY2", 3840, 2160}, {"MJPG", 3840, 2160},
};

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// The times at which a widget is painted. It watches from the application, where the main
// window takes the paint events of its picture.
class PaintTimes : public QObject {
public:
    explicit PaintTimes(QObject* widget) : widget_(widget) { qApp->installEventFilter(this); }
    // The longest gap between two paints at or after `from` (ms since the timer started).
    double LongestGapSince(qint64 fromNs) const {
        double longest = 0;
        for (std::size_t i = 1; i < times_.size(); ++i)
            if (times_[i - 1] >= fromNs)
                longest = std::max(longest, double(times_[i] - times_[i - 1]) / 1e6);
        return longest;
    }
    qint64 Now() const { return clock_.nsecsElapsed(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget_ && event->type() == QEvent::Paint)
            times_.push_back(clock_.nsecsElapsed());
        return false;
    }

private:
    QObject* widget_;
    QElapsedTimer clock_ = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    std::vector<qint64> times_;
};

// One run of the program's window; prints its figures as one JSON object. With pictures > 0
// that many pictures follow the CPU window, one a second.
int RunProgram(const Format& format, double seconds, int pictures, int argc, char** argv) {
    QTemporaryDir config;
    bench::UseOffscreen1080Screen(config);
    QApplication app(argc, argv);
    lumi::devices::VirtualCameraProvider::addCamera("Bench Camera");
    const GUID& subtype =
        std::strcmp(format.name, "MJPG") == 0 ? MEDIASUBTYPE_MJPG : MEDIASUBTYPE_YUY2;
    int result = 1;
    {
        CLumivisorDlg dlg;
        dlg.Create();
        QTemporaryDir folder;
        {
            std::lock_guard lock(SaveSettingsMutex);
            SaveFolder = folder.path() + "/";
            NextPictureNumber = 0;
        }
        PaintTimes paints(GetDlgItem(&dlg, IDC_PICTURE));
        if (!bench::SwitchTo(dlg, subtype, format.width, format.height)) {
            std::fprintf(stderr, "bench_preview: the camera does not run at %s %dx%d\n",
                         format.name, format.width, format.height);
        } else {
            auto* source =
                dynamic_cast<CaptureSourceFilter*>(theApp.m_CaptureVideo.m_pCaptureFilter.get());
            auto camera = lumi::devices::VirtualCamera::fromElement(source ? source->sourceElement()
                                                                           : nullptr);
            bench::RunEvents(kWarmUpMs);
            const auto sent0 = camera.framesSent();
            const auto received0 = FrameCallback.FramesReceived.load();
            const int painted0 = dlg.FramesPainted;
            const double cpu0 = bench::CpuSeconds();
            const qint64 start = paints.Now();
            QElapsedTimer wall;
            wall.start();
            bench::RunEvents(int(seconds * 1000));
            const double elapsed = double(wall.nsecsElapsed()) / 1e9;
            const double cpu = bench::CpuSeconds() - cpu0;
            const auto sent = qint64(camera.framesSent() - sent0);
            const auto received = qint64(FrameCallback.FramesReceived.load() - received0);
            const int painted = dlg.FramesPainted - painted0;
            QJsonObject out{
                {"seconds", elapsed},
                {"frames_sent", sent},
                {"frames_buffercb", received},
                {"frames_painted", painted},
                {"frames_dropped", std::max<qint64>(0, sent - painted)},
                {"fps_painted", double(painted) / elapsed},
                {"cpu_s_per_frame", sent > 0 ? cpu / double(sent) : 0.0},
                {"longest_paint_gap_ms", paints.LongestGapSince(start)},
                {"peak_rss_mb", PeakRssMb()},
            };
            if (pictures > 0) {
                const qint64 picturesStart = paints.Now();
                for (int i = 0; i < pictures; ++i) {
                    StillRequested = 1;
                    bench::RunEvents(1000);
                }
                out["pictures_written"] = QDir(folder.path()).entryList(QDir::Files).size();
                out["longest_paint_gap_during_pictures_ms"] = paints.LongestGapSince(picturesStart);
            }
            std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
            result = sent > 0 ? 0 : 1;
        }
    }
    theApp.m_CaptureVideo.ReleaseGraph();
    return result;
}

// User + system CPU seconds of a process, from /proc/<pid>/stat; negative when unreadable.
double ProcessCpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command name (which may hold spaces) start after its ')'.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) return -1;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// Peak resident memory of a process in MiB, from /proc/<pid>/status.
double ProcessPeakRssMb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
    return -1;
}

// The camera, GStreamer's decoder and converter, the plugin module's frame counter and the
// sink: a fakesink taking BGR, or an ximagesink (the bare viewer).
QString GstLaunchDescription(const Format& format, bool display) {
    const bool mjpg = std::strcmp(format.name, "MJPG") == 0;
    const QString caps =
        mjpg ? QStringLiteral("image/jpeg,width=%1,height=%2,framerate=30/1")
             : QStringLiteral("video/x-raw,format=YUY2,width=%1,height=%2,framerate=30/1");
    const QString sink = display ? QStringLiteral("ximagesink")
                                 : QStringLiteral(
                                       "video/x-raw,format=BGR ! lumiframecount ! "
                                       "fakesink sync=false");
    return QStringLiteral("lumivirtualcam ! %1 ! %2videoconvert ! %3")
        .arg(caps.arg(format.width).arg(format.height), mjpg ? "jpegdec ! " : "",
             display ? "lumiframecount ! " + sink : sink);
}

// GStreamer's tools with the camera's plugin module, on a registry of their own.
QProcessEnvironment GstToolEnvironment(const QString& registry) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString pluginPath = env.value("GST_PLUGIN_PATH");
    env.insert("GST_PLUGIN_PATH", QStringLiteral(BENCH_PLUGIN_DIR) +
                                      (pluginPath.isEmpty() ? QString() : ":" + pluginPath));
    env.insert("GST_REGISTRY", registry);
    return env;
}

// Builds the registry before anything is measured; false when the camera is not found.
bool PrepareRegistry(const QString& registry) {
    QProcess inspect;
    inspect.setProcessEnvironment(GstToolEnvironment(registry));
    inspect.start("gst-inspect-1.0", {"lumivirtualcam"});
    return inspect.waitForFinished(120000) && inspect.exitStatus() == QProcess::NormalExit &&
           inspect.exitCode() == 0;
}

// gst-launch-1.0 on the same camera (on the display when one is given); its frame counter
// reports each buffer reaching the sink, which is how the frames are counted.
QJsonObject RunGstLaunch(const Format& format, double seconds, const QString& registry,
                         const QString& display) {
    QProcess launch;
    QProcessEnvironment env = GstToolEnvironment(registry);
    if (!display.isEmpty()) env.insert("DISPLAY", display);
    launch.setProcessEnvironment(env);
    launch.setProcessChannelMode(QProcess::MergedChannels);
    const QString description = GstLaunchDescription(format, !display.isEmpty());
    launch.start("gst-launch-1.0", QStringList{"-e"} + QProcess::splitCommand(description));
    QJsonObject out{{"pipeline", description}};
    if (!launch.waitForStarted(5000)) {
        out["error"] = "gst-launch-1.0 did not start";
        return out;
    }
    qint64 frames = -1;  // until the first buffer
    QByteArray pending;
    auto readFor = [&](int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms && launch.state() == QProcess::Running) {
            launch.waitForReadyRead(50);
            pending += launch.readAll();
            qsizetype nl;
            while ((nl = pending.indexOf('\n')) >= 0) {
                const QByteArray line = pending.left(nl);
                if (line.startsWith("lumiframecount "))
                    frames = std::max(frames, line.mid(15).toLongLong());
                pending.remove(0, nl + 1);
            }
        }
    };
    readFor(kWarmUpMs);
    const qint64 frames0 = frames;
    const double cpu0 = ProcessCpuSeconds(launch.processId());
    QElapsedTimer wall;
    wall.start();
    readFor(int(seconds * 1000));
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = ProcessCpuSeconds(launch.processId()) - cpu0;
    const double peak = ProcessPeakRssMb(launch.processId());
    const bool ran = launch.state() == QProcess::Running && frames0 >= 0 && cpu0 >= 0;
    // -e turns the interrupt into end-of-stream. A pid of 0 would signal our own group.
    if (launch.state() == QProcess::Running && launch.processId() > 0)
        ::kill(pid_t(launch.processId()), SIGINT);
    if (!launch.waitForFinished(10000)) launch.kill();
    launch.waitForFinished(5000);
    if (!ran) {
        out["error"] = "gst-launch-1.0 stopped early: " +
                       QString::fromUtf8(pending + launch.readAll()).right(400);
        return out;
    }
    const qint64 counted = frames - frames0;
    out["seconds"] = elapsed;
    out["frames"] = counted;
    out["fps"] = double(counted) / elapsed;
    out["cpu_s_per_frame"] = counted > 0 ? cpu / double(counted) : 0.0;
    out["peak_rss_mb"] = peak;
    return out;
}

// The program's run in a child process: offscreen, or on the display when one is given.
QJsonObject RunProgramProcess(const char* self, const Format& format, double seconds,
                              const QString& display, int pictures) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    if (!display.isEmpty()) {
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", display);
    }
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(
        self, {"--one", format.name, QString::number(format.width), QString::number(format.height),
               QString::number(seconds), QString::number(pictures)});
    if (!child.waitForFinished(int(seconds * 1000) + pictures * 1000 + 120000)) {
        child.kill();
        child.waitForFinished();
        return {{"error", "the program's run did not finish"}};
    }
    const QByteArray output = child.readAllStandardOutput().trimmed();
    const QJsonDocument doc = QJsonDocument::fromJson(output.split('\n').last());
    if (child.exitCode() != 0 || !doc.isObject())
        return {{"error",
                 QStringLiteral("the program's run failed (exit code %1)").arg(child.exitCode())}};
    return doc.object();
}

// An Xvfb server on a display number it picks itself; its display name (":N"), or empty.
QString StartXvfb(QProcess& server) {
    server.start("Xvfb", {"-displayfd", "1", "-screen", "0", kDisplayScreen, "-nolisten", "tcp"});
    if (!server.waitForStarted(5000)) return {};
    QByteArray number;
    QElapsedTimer t;
    t.start();
    while (!number.contains('\n') && t.elapsed() < 10000 && server.state() == QProcess::Running) {
        server.waitForReadyRead(100);
        number += server.readAllStandardOutput();
    }
    return number.contains('\n') ? ":" + QString::fromLatin1(number.trimmed()) : QString();
}

// Whether a format is among those asked for (none asked: all).
bool Asked(const Format& format, const QStringList& asked) {
    if (asked.isEmpty()) return true;
    const QString size = QStringLiteral("%1x%2").arg(format.width).arg(format.height);
    return asked.contains(format.name) ||
           asked.contains(QStringLiteral("%1:%2").arg(format.name, size));
}

double Ratio(const QJsonObject& ours, const QJsonObject& theirs, const char* key) {
    const double a = ours.value(key).toDouble();
    const double b = theirs.value(key).toDouble();
    return a > 0 && b > 0 ? a / b : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
    RegisterMediaClasses();
    if (argc == 7 && std::strcmp(argv[1], "--one") == 0) {
        const Format format{std::strcmp(argv[2], "MJPG") == 0 ? "MJPG" : "YUY2", std::atoi(argv[3]),
                            std::atoi(argv[4])};
        return RunProgram(format, std::atof(argv[5]), std::atoi(argv[6]), argc, argv);
    }
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString registry = scratch.filePath("registry.bin");
    if (!PrepareRegistry(registry)) {
        std::fprintf(stderr,
                     "bench_preview: gst-inspect-1.0 does not find the camera's plugin "
                     "in " BENCH_PLUGIN_DIR "\n");
        return 1;
    }
    QProcess xvfb;
    const QString display = StartXvfb(xvfb);
    if (display.isEmpty()) std::fprintf(stderr, "bench_preview: Xvfb did not start\n");
    QJsonArray runs;
    int status = display.isEmpty() ? 1 : 0;
    const QStringList asked = app.arguments().mid(2);
    for (const Format& format : kMatrix) {
        if (!Asked(format, asked)) continue;
        const bool fullHd = format.height == 1080;
        const QJsonObject offscreen = RunProgramProcess(argv[0], format, seconds, {}, 0);
        const QJsonObject fakesink = RunGstLaunch(format, seconds, registry, {});
        QJsonObject run{
            {"format", format.name},
            {"size", QStringLiteral("%1x%2").arg(format.width).arg(format.height)},
            {"fps_asked", 30},
            {"offscreen", QJsonObject{{"lumivisor", offscreen}, {"gst_launch_fakesink", fakesink}}},
            {"cpu_ratio_fakesink", Ratio(offscreen, fakesink, "cpu_s_per_frame")}};
        for (const QJsonObject& part : {offscreen, fakesink})
            if (part.contains("error")) status = 1;
        if (!display.isEmpty()) {
            const QJsonObject shown =
                RunProgramProcess(argv[0], format, seconds, display, fullHd ? 5 : 0);
            const QJsonObject bare = RunGstLaunch(format, seconds, registry, display);
            run["display"] = QJsonObject{{"screen", display + " " + kDisplayScreen},
                                         {"lumivisor", shown},
                                         {"gst_launch_ximagesink", bare}};
            run["cpu_ratio_ximagesink"] = Ratio(shown, bare, "cpu_s_per_frame");
            if (fullHd) run["peak_rss_ratio_ximagesink"] = Ratio(shown, bare, "peak_rss_mb");
            for (const QJsonObject& part : {shown, bare})
                if (part.contains("error")) status = 1;
        }
        runs.append(run);
    }
    if (xvfb.state() == QProcess::Running) {
        xvfb.terminate();
        if (!xvfb.waitForFinished(5000)) xvfb.kill();
    }
    const QJsonObject out{{"bench", "preview"}, {"seconds", seconds}, {"runs", runs}};
    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
    return status;
}
