// Frames shown per second and CPU time per shown frame of the program's main window,
// offscreen, on a virtual camera switched to MJPG 1920 x 1080 at 30 frames per second:
// the whole road of a frame (camera, decoder, grabber, frame sink, repaint request,
// paint with its stretch). Prints one JSON line.
//
//   bench_preview [seconds]   (default 10; offscreen on a 1920 x 1080 screen unless
//                              QT_QPA_PLATFORM is set)
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <cstdlib>

#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "media/CaptureSourceFilter.h"
#include "media/MediaType.h"
#include "media/VirtualCameraProvider.h"
#include "settings/SharedState.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void RunEvents(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

// Switches the open camera to MJPG 1920 x 1080 the way the format pages do: stop, strip,
// set the format, reconnect and run; then the window takes the new size.
bool SwitchToMjpeg1080(CLumivisorDlg& dlg) {
    CCaptureVideo& engine = theApp.m_CaptureVideo;
    if (!engine.m_pMediaControl) return false;
    engine.m_pMediaControl->Stop();
    engine.ResetGraph();
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
        if (mt->subtype == MEDIASUBTYPE_MJPG && info->bmiHeader.biWidth == 1920 &&
            info->bmiHeader.biHeight == 1080)
            set = SUCCEEDED(config->SetFormat(mt));
        DeleteMediaType(mt);
    }
    if (!set) return false;
    // The result is the still trigger's; this camera has no still pin.
    engine.ConnectAndRun();
    dlg.VideoWidth = engine.m_nWidth;
    dlg.VideoHeight = engine.m_nHeight;
    FrameInfo = BITMAPINFOHEADER{};
    FrameInfo.biSize = 40;
    FrameInfo.biWidth = dlg.VideoWidth;
    FrameInfo.biHeight = dlg.VideoHeight;
    FrameInfo.biPlanes = 1;
    FrameInfo.biBitCount = 24;
    dlg.FitWindowToVideo();
    return engine.m_nWidth == 1920 && engine.m_nHeight == 1080;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    // Offscreen on one 1920 x 1080 screen unless a platform is given.
    QTemporaryDir config;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        QFile screens(config.filePath("screens.json"));
        if (screens.open(QIODevice::WriteOnly)) {
            screens.write(R"({"screens": [{"name": "Screen", "x": 0, "y": 0, "width": 1920,
                          "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96}]})");
            screens.close();
            qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens.fileName()).toUtf8());
        } else {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
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
