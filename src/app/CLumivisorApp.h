// The application object: holds the capture engine, starts Qt and runs the main window.
#pragma once

#include "capture/CCaptureVideo.h"
#include "platform/WinTypes.h"

class QWidget;

inline constexpr UINT ID_HELP = 57670;

class CLumivisorApp {
public:
    CLumivisorApp();
    virtual ~CLumivisorApp();

    CLumivisorApp(const CLumivisorApp&) = delete;
    CLumivisorApp& operator=(const CLumivisorApp&) = delete;

    // The arguments Qt is started with; they must outlive InitInstance.
    void SetCommandLine(int argc, char** argv);

    // Creates the Qt application, runs the main window modally and returns FALSE: the
    // process ends when the window has closed.
    BOOL InitInstance();

    // The application's commands: Exit (32772) asks the main window to close; help
    // (57670) has no help system to open. TRUE when the command is the application's.
    BOOL OnCmdMsg(UINT id);

    CCaptureVideo m_CaptureVideo;
    DWORD m_dwRestartManagerSupportFlags = 1;
    QWidget* m_pMainWnd = nullptr;
    // Simulated cameras asked for on the command line (listed by the device layer).
    int m_nVirtualCameras = 0;

private:
    int argc_ = 0;
    char** argv_ = nullptr;
};

extern CLumivisorApp theApp;
