#include "BenchSupport.h"

#include <sys/resource.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>

#include "capture/CCaptureVideo.h"
#include "media/graph/MediaType.h"

namespace bench {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void RunEvents(int milliseconds) {
    // The program's own event loop, asleep between events as it is in use: a loop that
    // polls would add its own CPU to every figure.
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void UseOffscreen1080Screen(const QTemporaryDir& dir) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return;
    QFile screens(dir.filePath("screens.json"));
    if (screens.open(QIODevice::WriteOnly)) {
        screens.write(R"({"screens": [{"name": "Screen", "x": 0, "y": 0, "width": 1920,
                      "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96}]})");
        screens.close();
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens.fileName()).toUtf8());
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

bool SelectFormat(CCaptureVideo& engine, const GUID& subtype, int width, int height) {
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
        if (mt->subtype == subtype && info->bmiHeader.biWidth == width &&
            std::abs(info->bmiHeader.biHeight) == height)
            set = SUCCEEDED(config->SetFormat(mt));
        DeleteMediaType(mt);
    }
    return set;
}

bool SwitchTo(CCaptureVideo& engine, const GUID& subtype, int width, int height) {
    if (!SelectFormat(engine, subtype, width, height)) return false;
    // The result is the still trigger's; this camera has no still pin.
    engine.ConnectAndRun();
    return engine.m_nWidth == width && engine.m_nHeight == height;
}

bool SwitchToMjpeg1080(CCaptureVideo& engine) {
    return SwitchTo(engine, MEDIASUBTYPE_MJPG, 1920, 1080);
}

}  // namespace bench
