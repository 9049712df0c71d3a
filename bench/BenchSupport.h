// Set-up and measuring helpers shared by the benchmark programs.
#pragma once

class CCaptureVideo;
class CLumivisorDlg;
class QTemporaryDir;
struct GUID;

namespace bench {

// User plus system CPU time of this process, in seconds.
double CpuSeconds();

// Runs the Qt event loop for about the given time.
void RunEvents(int milliseconds);

// Unless QT_QPA_PLATFORM is set, runs Qt offscreen on one 1920 x 1080 screen described by a
// screens.json written into dir (which must outlive the application object).
void UseOffscreen1080Screen(const QTemporaryDir& dir);

// Stops the open camera, strips its graph and sets the format (a media subtype such as
// MEDIASUBTYPE_MJPG, and a size) on its capture pin, the way the format pages do. False
// when the camera is not open or lacks the format.
bool SelectFormat(CCaptureVideo& engine, const GUID& subtype, int width, int height);

// SelectFormat, then reconnect and run. True when the camera runs at that size.
bool SwitchTo(CCaptureVideo& engine, const GUID& subtype, int width, int height);

// The same for the window's camera; then the window takes the new size.
bool SwitchTo(CLumivisorDlg& dlg, const GUID& subtype, int width, int height);

// SwitchTo MJPG 1920 x 1080.
bool SwitchToMjpeg1080(CCaptureVideo& engine);
bool SwitchToMjpeg1080(CLumivisorDlg& dlg);

}  // namespace bench
