// Set-up and measuring helpers shared by the benchmark programs.
#pragma once

class CCaptureVideo;
class CLumivisorDlg;
class QTemporaryDir;

namespace bench {

// User plus system CPU time of this process, in seconds.
double CpuSeconds();

// Runs the Qt event loop for about the given time.
void RunEvents(int milliseconds);

// Unless QT_QPA_PLATFORM is set, runs Qt offscreen on one 1920 x 1080 screen described by a
// screens.json written into dir (which must outlive the application object).
void UseOffscreen1080Screen(const QTemporaryDir& dir);

// Stops the open camera, strips its graph and sets MJPG 1920 x 1080 on its capture pin,
// the way the format pages do. False when the camera is not open or lacks the format.
bool SelectMjpeg1080(CCaptureVideo& engine);

// SelectMjpeg1080, then reconnect and run. True when the camera runs at 1920 x 1080.
bool SwitchToMjpeg1080(CCaptureVideo& engine);

// The same for the window's camera; then the window takes the new size.
bool SwitchToMjpeg1080(CLumivisorDlg& dlg);

}  // namespace bench
