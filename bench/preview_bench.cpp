// The preview benchmark. For each camera format of the matrix (640x480, 1920x1080 and
// 3840x2160, YUY2 and MJPG, 30 frames per second) it runs, one after the other and each in a
// process of its own:
//   - the program's main window, offscreen, on a virtual camera set to the format: frames
//     sent by the camera, frames reaching the frame sink's BufferCB, frames painted, frames
//     dropped (sent but never painted), CPU seconds (user + system) per frame sent and the
//     peak resident memory;
//   - gst-launch-1.0 on the same camera element with GStreamer's own decoder and converter
//     into a fakesink: the same figures, the CPU and memory read from /proc;
// and the ratio of the two CPU figures. Each run measures `seconds` after 2 s of warm-up.
// Prints one JSON line.
//
//   bench_preview [seconds]   (default 60)
//   bench_preview --one YUY2|MJPG WIDTH HEIGHT SECONDS   (one run of the program; internal)
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QByteArray>
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

#include "BenchSupport.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "frames/CSampleGrabberCB.h"
#include "media/CaptureSourceFilter.h"
#include "media/MediaType.h"
#include "media/VirtualCameraProvider.h"

namespace {

constexpr int kWarmUpMs = 2000;

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

// One run of the program's window; prints its figures as one JSON object.
int RunProgram(const Format& format, double seconds, int argc, char** argv) {
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
                {"frames_dropped", sent - painted},
                {"fps_painted", double(painted) / elapsed},
                {"cpu_s_per_frame", sent > 0 ? cpu / double(sent) : 0.0},
                {"peak_rss_mb", PeakRssMb()},
            };
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

QString GstLaunchDescription(const Format& format) {
    const bool mjpg = std::strcmp(format.name, "MJPG") == 0;
    const QString caps =
        mjpg ? QStringLiteral("image/jpeg,width=%1,height=%2,framerate=30/1")
             : QStringLiteral("video/x-raw,format=YUY2,width=%1,height=%2,framerate=30/1");
    return QStringLiteral(
               "lumivirtualcam ! %1 ! %2videoconvert ! video/x-raw,format=BGR ! "
               "fakesink name=out sync=false silent=false")
        .arg(caps.arg(format.width).arg(format.height), mjpg ? "jpegdec ! " : "");
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

// gst-launch-1.0 on the same camera; it reports each buffer reaching the fakesink through
// -v (the sink's last-message), which is how the frames are counted.
QJsonObject RunGstLaunch(const Format& format, double seconds, const QString& registry) {
    QProcess launch;
    launch.setProcessEnvironment(GstToolEnvironment(registry));
    launch.setProcessChannelMode(QProcess::MergedChannels);
    const QString description = GstLaunchDescription(format);
    launch.start("gst-launch-1.0", QStringList{"-v", "-e"} + QProcess::splitCommand(description));
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
                if (pending.left(nl).contains("last-message = chain"))
                    frames = std::max<qint64>(frames, 0) + 1;
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

QJsonObject RunProgramProcess(const char* self, const Format& format, double seconds) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self, {"--one", format.name, QString::number(format.width),
                       QString::number(format.height), QString::number(seconds)});
    if (!child.waitForFinished(int(seconds * 1000) + 120000)) {
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

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "--one") == 0) {
        const Format format{std::strcmp(argv[2], "MJPG") == 0 ? "MJPG" : "YUY2", std::atoi(argv[3]),
                            std::atoi(argv[4])};
        return RunProgram(format, std::atof(argv[5]), argc, argv);
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
    QJsonArray runs;
    int status = 0;
    for (const Format& format : kMatrix) {
        const QJsonObject program = RunProgramProcess(argv[0], format, seconds);
        const QJsonObject gst = RunGstLaunch(format, seconds, registry);
        QJsonObject run{{"format", format.name},
                        {"size", QStringLiteral("%1x%2").arg(format.width).arg(format.height)},
                        {"fps_asked", 30},
                        {"lumivisor", program},
                        {"gst_launch", gst}};
        const double ours = program.value("cpu_s_per_frame").toDouble();
        const double theirs = gst.value("cpu_s_per_frame").toDouble();
        if (ours > 0 && theirs > 0) run["cpu_ratio"] = ours / theirs;
        if (program.contains("error") || gst.contains("error")) status = 1;
        runs.append(run);
    }
    const QJsonObject out{{"bench", "preview"}, {"seconds", seconds}, {"runs", runs}};
    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
    return status;
}
