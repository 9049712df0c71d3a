// The window half of BenchSupport.h, kept apart so that benchmarks without the window need
// not link it.
#include "BenchSupport.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "media/graph/MediaType.h"
#include "settings/SharedState.h"

namespace bench {

bool SwitchTo(CLumivisorDlg& dlg, const GUID& subtype, int width, int height) {
    CCaptureVideo& engine = theApp.m_CaptureVideo;
    if (!SelectFormat(engine, subtype, width, height)) return false;
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
    return engine.m_nWidth == width && engine.m_nHeight == height;
}

bool SwitchToMjpeg1080(CLumivisorDlg& dlg) {
    return SwitchTo(dlg, MEDIASUBTYPE_MJPG, 1920, 1080);
}

}  // namespace bench
