#include "app/CLumivisorApp.h"

#include <QApplication>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "app/CLumivisorDlg.h"
#include "app/ShutdownSignals.h"
#include "media/devices/virtual/VirtualCameraList.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"

CLumivisorApp theApp;

namespace {

// Blocks of a megabyte or more (frames, pictures being written, the buffers of a graph
// being rebuilt) are mapped for themselves and go back to the system when freed. Left to
// itself the C library raises that limit after the first such block is freed and then
// keeps freed frames in the arena of whichever streaming thread freed them: the process
// grows by a frame or two each time a recording starts or stops, with no leak.
void KeepLargeBlocksOutOfTheArenas() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
}

}  // namespace

CLumivisorApp::CLumivisorApp() {
    KeepLargeBlocksOutOfTheArenas();
}

CLumivisorApp::~CLumivisorApp() = default;

void CLumivisorApp::SetCommandLine(int argc, char** argv) {
    argc_ = argc;
    argv_ = argv;
}

BOOL CLumivisorApp::InitInstance() {
    static char defaultName[] = "lumivisor";
    static char* defaultArgv[] = {defaultName, nullptr};
    if (argv_ == nullptr) {
        argc_ = 1;
        argv_ = defaultArgv;
    }
    QApplication application(argc_, argv_);
    QApplication::setApplicationName(QStringLiteral("lumivisor"));
    QApplication::setWindowIcon(LoadIconResource(IDR_MAINFRAME));
    // --virtual-cameras N: simulated cameras listed beside the real ones.
    AddNumberedVirtualCameras(m_nVirtualCameras);
    {
        CLumivisorDlg dlg;
        m_pMainWnd = &dlg;
        dlg.Create();
        // From here on a recording can run: logout, shutdown and kill close the window as the
        // session's end does, so the file is completed first.
        ShutdownSignals signalHandlers;
        dlg.DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}

BOOL CLumivisorApp::OnCmdMsg(UINT id) {
    switch (id) {
        case ID_EXIT:
            if (m_pMainWnd != nullptr) m_pMainWnd->close();
            return TRUE;
        case ID_HELP:
            return TRUE;
        default:
            return FALSE;
    }
}
