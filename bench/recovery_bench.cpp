// Recovery timings. Prints one JSON line.
// - SIGTERM to exit: the program's window (offscreen, in a child process, with the program's
//   own signal handling) records MJPG 1920 x 1080 from a virtual camera; 3 s in it gets
//   SIGTERM; timed until the child has exited. Its file must be complete.
// - Repair: a child records YUY2 1920 x 1080 until the file passes 1 GiB and is killed with
//   SIGKILL; the file is flushed and dropped from the page cache, then RepairInterruptedAvi
//   is timed on it (read from disk, written and synced).
//
//   bench_recovery [signal runs]   (default 3)
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "app/ShutdownSignals.h"
#include "media/MediaClasses.h"
#include "media/avi/AviRepair.h"
#include "media/avi/AviScan.h"
#include "media/devices/virtual/VirtualCameraProvider.h"
#include "media/graph/MediaType.h"
#include "platform/WindowMessage.h"
#include "resources/ResourceIds.h"
#include "settings/SharedState.h"

extern char** environ;

namespace {

constexpr long long kRepairBytes = 1LL << 30;

// The window records into folder from the virtual camera at 1080p MJPG until a signal ends
// it, as the program does.
int SignalChild(int argc, char** argv, const QString& folder) {
    QTemporaryDir config;
    bench::UseOffscreen1080Screen(config);
    QApplication app(argc, argv);
    lumi::devices::VirtualCameraProvider::addCamera("Bench Camera");
    CLumivisorDlg dlg;
    dlg.Create();
    if (!bench::SwitchToMjpeg1080(dlg)) return 1;
    {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = folder + '/';
    }
    SendMessage(&dlg, WM_COMMAND, ID_START_RECORDER, 0);
    ShutdownSignals signalHandlers;
    std::puts(dlg.IsRecording ? "recording" : "not recording");
    std::fflush(stdout);
    dlg.DoModal();
    return 0;
}

// The engine records YUY2 1080p into path until it is killed.
int RecordChild(int argc, char** argv, const QString& path) {
    QCoreApplication app(argc, argv);
    lumi::devices::VirtualCameraProvider::addCamera("Bench Camera");
    CCaptureVideo& engine = theApp.m_CaptureVideo;
    if (engine.OpenDevice(0) != 0 || !bench::SwitchTo(engine, MEDIASUBTYPE_YUY2, 1920, 1080) ||
        engine.StartRecording(path) != S_OK)
        return 1;
    std::puts("recording");
    std::fflush(stdout);
    for (;;) QThread::sleep(1);
}

// Starts this program with args; its standard output is read through *out.
pid_t SpawnSelf(std::vector<std::string> args, int* out) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    *out = fds[0];
    return pid;
}

// The child's first line.
std::string FirstLine(int fd) {
    std::string line;
    char c = 0;
    while (read(fd, &c, 1) == 1 && c != '\n') line += c;
    return line;
}

AviScan Scan(const QString& path) {
    const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const AviScan scan = fd >= 0 ? ScanAvi(fd) : AviScan{};
    if (fd >= 0) close(fd);
    return scan;
}

double SignalToExitMs(const char* self, int* frames) {
    QTemporaryDir folder;
    int out = -1;
    const pid_t pid = SpawnSelf({self, "--signal-child", folder.path().toStdString()}, &out);
    if (pid < 0 || FirstLine(out) != "recording") return -1;
    QThread::sleep(3);
    QElapsedTimer timer;
    timer.start();
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    close(out);
    const AviScan scan = Scan(folder.filePath("NEWAVI_0.avi"));
    *frames = scan.index ? int(scan.mainHeaderFrames) : 0;
    return WIFEXITED(status) && *frames > 0 ? ms : -1;
}

}  // namespace

int main(int argc, char** argv) {
    RegisterMediaClasses();
    if (argc > 2 && std::string(argv[1]) == "--signal-child")
        return SignalChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (argc > 2 && std::string(argv[1]) == "--record-child")
        return RecordChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    std::vector<double> exits;
    int frames = 0;
    for (int i = 0; i < runs; ++i) {
        const double ms = SignalToExitMs(argv[0], &frames);
        if (ms < 0) {
            std::fprintf(stderr, "bench_recovery: signal run %d failed\n", i + 1);
            return 1;
        }
        exits.push_back(ms);
    }
    std::sort(exits.begin(), exits.end());

    QTemporaryDir folder;
    const QString path = folder.filePath("NEWAVI_0.avi");
    int out = -1;
    const pid_t pid = SpawnSelf({argv[0], "--record-child", path.toStdString()}, &out);
    if (pid < 0 || FirstLine(out) != "recording") return 1;
    QElapsedTimer recording;
    recording.start();
    while (QFileInfo(path).size() < kRepairBytes && recording.elapsed() < 300000)
        QThread::msleep(50);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(out);
    const qint64 size = QFileInfo(path).size();
    {
        const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        fdatasync(fd);
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        close(fd);
    }
    const std::uint64_t interrupted = Scan(path).completeFrames;
    const std::atomic<bool> cancel{false};
    QElapsedTimer timer;
    timer.start();
    const AviRepairResult result = RepairInterruptedAvi(path.toStdString(), cancel);
    const double repairMs = double(timer.nsecsElapsed()) / 1e6;
    if (result != AviRepairResult::Repaired || size < kRepairBytes) {
        std::fprintf(stderr, "bench_recovery: the repair of %lld bytes failed\n", (long long)size);
        return 1;
    }
    std::printf(
        "{\"bench\":\"recovery\",\"sigterm_to_exit_ms_median\":%.0f,\"sigterm_to_exit_ms_max\":%."
        "0f,"
        "\"runs\":%d,\"recording\":\"MJPG 1920x1080, 3 s, %d frames\",\"repair_ms\":%.0f,"
        "\"repair_bytes\":%lld,\"repair_mb_per_s\":%.0f,\"repair_frames\":%llu}\n",
        exits[exits.size() / 2], exits.back(), runs, frames, repairMs, (long long)size,
        double(size) / 1e6 / (repairMs / 1e3), (unsigned long long)interrupted);
    return 0;
}
