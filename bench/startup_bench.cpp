// Start-up time: from the moment the process is started to the first frame painted by the
// main window (offscreen), with one virtual camera at its start-up format. The program
// starts itself again as a child for each run, so dynamic loading, Qt and GStreamer start-up
// are included. Prints one JSON line.
//
//   bench_startup [runs]   (default 5)
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "media/MediaClasses.h"
#include "media/devices/virtual/VirtualCameraProvider.h"

extern char** environ;

namespace {

long long MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// The child: the window on one virtual camera; prints the monotonic time of its first
// painted frame, and of the window's creation, in nanoseconds.
int Child(int argc, char** argv) {
    QTemporaryDir config;
    QFile screens(config.filePath("screens.json"));
    if (screens.open(QIODevice::WriteOnly)) {
        screens.write(R"({"screens": [{"name": "Screen", "x": 0, "y": 0, "width": 1920,
                      "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96}]})");
        screens.close();
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens.fileName()).toUtf8());
    }
    QApplication app(argc, argv);
    lumi::devices::VirtualCameraProvider::addCamera("Bench Camera");
    int result = 1;
    {
        CLumivisorDlg dlg;
        dlg.Create();
        const long long created = MonotonicNs();
        QElapsedTimer timer;
        timer.start();
        while (dlg.FramesPainted == 0 && timer.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::usleep(200);
        }
        if (dlg.FramesPainted > 0) {
            std::printf("%lld %lld\n", MonotonicNs(), created);
            result = 0;
        }
    }
    std::fflush(stdout);
    theApp.m_CaptureVideo.ReleaseGraph();
    return result;
}

struct Run {
    double firstFrameMs = 0;
    double windowMs = 0;
};

bool RunChild(const char* self, Run& run) {
    int out[2];
    if (pipe(out) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char child[] = "--child";
    char* args[] = {const_cast<char*>(self), child, nullptr};
    pid_t pid = 0;
    const long long start = MonotonicNs();
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return false;
    }
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    long long painted = 0, created = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(text.c_str(), "%lld %lld", &painted, &created) != 2)
        return false;
    run.firstFrameMs = double(painted - start) / 1e6;
    run.windowMs = double(created - start) / 1e6;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    RegisterMediaClasses();
    if (argc > 1 && std::string(argv[1]) == "--child") return Child(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<Run> results;
    for (int i = 0; i < runs; ++i) {
        Run run;
        if (!RunChild("/proc/self/exe", run)) {
            std::fprintf(stderr, "bench_startup: run %d failed\n", i + 1);
            return 1;
        }
        results.push_back(run);
    }
    std::vector<double> first, window;
    for (const Run& r : results) {
        first.push_back(r.firstFrameMs);
        window.push_back(r.windowMs);
    }
    std::sort(first.begin(), first.end());
    std::sort(window.begin(), window.end());
    std::printf(
        "{\"bench\":\"startup\",\"camera\":\"virtual, start-up format\",\"runs\":%d,"
        "\"first_frame_ms_median\":%.1f,\"first_frame_ms_min\":%.1f,\"first_frame_ms_max\":%.1f,"
        "\"window_created_ms_median\":%.1f,\"target_ms\":700}\n",
        runs, first[first.size() / 2], first.front(), first.back(), window[window.size() / 2]);
    return 0;
}
