// Soak: resident memory of the program's window over a long 1920 x 1080 MJPG preview at
// 30 frames per second, with the camera opened anew every 10 s (a device notice, then back
// to 1080p), a picture every 10 s and a 5 s recording every minute (through the window's
// commands and the capture engine). Prints one JSON line with the RSS sampled every 10 s.
//
//   bench_soak [seconds]   (default 600; offscreen on a 1920 x 1080 screen)
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchSupport.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "media/MediaClasses.h"
#include "media/devices/virtual/VirtualCameraProvider.h"
#include "media/graph/MediaType.h"
#include "media/source/CaptureSourceFilter.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"
#include "resources/ResourceIds.h"
#include "settings/SharedState.h"

namespace {

double RssMb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1048576.0 : 0;
}

}  // namespace

using bench::RunEvents;
using bench::SwitchToMjpeg1080;

int main(int argc, char** argv) {
    RegisterMediaClasses();
    const int seconds = argc > 1 ? std::max(20, std::atoi(argv[1])) : 600;
    QTemporaryDir config;
    bench::UseOffscreen1080Screen(config);
    QApplication app(argc, argv);
    int messages = 0;
    SetMessageBoxHandler([&](HWND, const QString& text, const QString&, UINT) {
        std::fprintf(stderr, "bench_soak: message: %s\n", qPrintable(text));
        ++messages;
        return IDOK;
    });
    QTemporaryDir folder;
    if (!folder.isValid()) return 1;
    lumi::devices::VirtualCameraProvider::addCamera("Bench Camera");

    int result = 0;
    {
        CLumivisorDlg dlg;
        dlg.Create();
        if (!SwitchToMjpeg1080(dlg)) {
            std::fprintf(stderr, "bench_soak: cannot open the camera at MJPG 1920x1080\n");
            return 1;
        }
        {
            std::lock_guard lock(SaveSettingsMutex);
            SaveFolder = folder.path() + "/";
            NextPictureNumber = 0;
        }
        RunEvents(3000);  // warm-up

        const double rssStart = RssMb();
        double rssMax = rssStart;
        std::string samples;
        int recordings = 0;
        int reopens = 0;
        const int paintedBefore = dlg.FramesPainted;
        for (int t = 0; t < seconds; t += 10) {
            // The camera opened anew, as after a device notice: a new graph each time.
            SendMessage(&dlg, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
            if (SwitchToMjpeg1080(dlg)) ++reopens;
            if (t % 60 == 0) {
                const QString file =
                    QDir(folder.path()).filePath(QStringLiteral("NEWAVI_%1.avi").arg(recordings));
                if (theApp.m_CaptureVideo.StartRecording(file) == S_OK) ++recordings;
                RunEvents(5000);
                theApp.m_CaptureVideo.StopRecording();
                QFile::remove(file);  // the disk is not what is measured
                SendMessage(&dlg, WM_COMMAND, ID_SNAP, 0);
                RunEvents(5000);
            } else {
                SendMessage(&dlg, WM_COMMAND, ID_SNAP, 0);
                RunEvents(10000);
            }
            const double rss = RssMb();
            rssMax = std::max(rssMax, rss);
            char sample[32];
            std::snprintf(sample, sizeof sample, "%s%.1f", samples.empty() ? "" : ",", rss);
            samples += sample;
        }
        const double rssEnd = RssMb();
        const int pictures = int(QDir(folder.path()).entryList({"NEWPIC_*.jpg"}).size());
        std::printf(
            "{\"bench\":\"soak\",\"camera\":\"MJPG 1920x1080 30/1\",\"seconds\":%d,"
            "\"reopens\":%d,\"pictures\":%d,\"recordings\":%d,\"frames_painted\":%d,"
            "\"messages\":%d,"
            "\"rss_mb_start\":%.1f,\"rss_mb_end\":%.1f,\"rss_mb_max\":%.1f,"
            "\"rss_growth_mb\":%.1f,\"rss_mb_every_10s\":[%s]}\n",
            seconds, reopens, pictures, recordings, dlg.FramesPainted - paintedBefore, messages,
            rssStart, rssEnd, rssMax, rssEnd - rssStart, samples.c_str());
        result = pictures > 0 && recordings > 0 && reopens > 0 ? 0 : 1;
    }
    theApp.m_CaptureVideo.ReleaseGraph();
    return result;
}
