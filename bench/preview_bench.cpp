// Frames shown per second and CPU time per shown frame of the program's main window,
// offscreen, on a virtual camera switched to MJPG 1920 x 1080 at 30 frames per second:
// the whole road of a frame (camera, decoder, grabber, frame sink, repaint request,
// paint with its stretch). Prints one JSON line.
//
//   bench_preview [seconds]   (default 10; offscreen on a 1920 x 1080 screen unless
//                              QT_QPA_PLATFORM is set)
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "BenchSupport.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "media/CaptureSourceFilter.h"
#include "media/MediaType.h"
#include "media/VirtualCameraProvider.h"
#include "settings/SharedState.h"

using bench::CpuSeconds;
using bench::RunEvents;
using bench::SwitchToMjpeg1080;

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    // Offscreen on one 1920 x 1080 screen unless a platform is given.
    QTemporaryDir config;
    bench::UseOffscreen1080Screen(config);
    QApplication app(argc, argv);
    lumi::devices::VirtualCameraProvider::addCamera("Bench Camera");

    int result = 0;
    {
        CLumivisorDlg dlg;
        dlg.Create();
        if (!SwitchToMjpeg1080(dlg)) {
            std::fprintf(stderr, "bench_preview: cannot open the camera at MJPG 1920x1080\n");
            return 1;
        }
        auto* source =
            dynamic_cast<CaptureSourceFilter*>(theApp.m_CaptureVideo.m_pCaptureFilter.get());
        auto camera =
            lumi::devices::VirtualCamera::fromElement(source ? source->sourceElement() : nullptr);
        RunEvents(2000);  // warm-up

        const int shownBefore = dlg.FramesPainted;
        const auto sentBefore = camera.valid() ? camera.framesSent() : 0;
        const double cpuBefore = CpuSeconds();
        QElapsedTimer wall;
        wall.start();
        RunEvents(int(seconds * 1000));
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        const double cpu = CpuSeconds() - cpuBefore;
        const int shown = dlg.FramesPainted - shownBefore;
        const auto sent = camera.valid() ? camera.framesSent() - sentBefore : 0;

        std::printf(
            "{\"bench\":\"preview\",\"camera\":\"MJPG 1920x1080 30/1\",\"platform\":\"%s\","
            "\"window\":\"%dx%d\",\"seconds\":%.2f,\"frames_sent\":%llu,\"frames_shown\":%d,"
            "\"fps_sent\":%.2f,\"fps_shown\":%.2f,\"cpu_percent\":%.1f,"
            "\"cpu_ms_per_frame_shown\":%.2f}\n",
            qPrintable(QGuiApplication::platformName()), dlg.frameGeometry().width(),
            dlg.frameGeometry().height(), elapsed, static_cast<unsigned long long>(sent), shown,
            double(sent) / elapsed, double(shown) / elapsed, 100.0 * cpu / elapsed,
            shown > 0 ? 1000.0 * cpu / shown : 0.0);
        result = shown > 0 ? 0 : 1;
    }
    theApp.m_CaptureVideo.ReleaseGraph();
    return result;
}
