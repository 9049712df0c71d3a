// Soak: resident memory of the program's window over a long 1920 x 1080 MJPG preview at
// 30 frames per second, with a picture every 10 s and a 5 s recording every minute (through
// the window's Snap command and the capture engine). Prints one JSON line with the RSS
// sampled every 10 s.
//
//   bench_soak [seconds]   (default 600; offscreen on a 1920 x 1080 screen)
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "media/CaptureSourceFilter.h"
#include "media/MediaType.h"
#include "media/VirtualCameraProvider.h"
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
    const int seconds = argc > 1 ? std::max(20, std::atoi(argv[1])) : 600;
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
        const int paintedBefore = dlg.FramesPainted;
        for (int t = 0; t < seconds; t += 10) {
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
            "\"pictures\":%d,\"recordings\":%d,\"frames_painted\":%d,\"messages\":%d,"
            "\"rss_mb_start\":%.1f,\"rss_mb_end\":%.1f,\"rss_mb_max\":%.1f,"
            "\"rss_growth_mb\":%.1f,\"rss_mb_every_10s\":[%s]}\n",
            seconds, pictures, recordings, dlg.FramesPainted - paintedBefore, messages, rssStart,
            rssEnd, rssMax, rssEnd - rssStart, samples.c_str());
        result = pictures > 0 && recordings > 0 ? 0 : 1;
    }
    theApp.m_CaptureVideo.ReleaseGraph();
    return result;
}
