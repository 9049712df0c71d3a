// The window half of BenchSupport.h, kept apart so that benchmarks without the window need
// not link it.
#include "BenchSupport.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "settings/SharedState.h"

namespace bench {

bool SwitchToMjpeg1080(CLumivisorDlg& dlg) {
    CCaptureVideo& engine = theApp.m_CaptureVideo;
    if (!SelectMjpeg1080(engine)) return false;
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

}  // namespace bench
