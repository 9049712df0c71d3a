// The main window's part in a camera's recovery (CameraRecovery): watching the open camera,
// what it does for a camera without picture, and the loose cable.
#include <QComboBox>
#include <algorithm>

#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "frames/FrameState.h"
#include "media/com/DShow.h"
#include "platform/WindowMessage.h"
#include "resources/ResourceIds.h"

CameraRecovery::Hooks CLumivisorDlg::RecoveryHooks() {
    CameraRecovery::Hooks hooks;
    hooks.busy = [this] { return engineBusy_ > 0; };
    hooks.lost = [this] {
        // No picture is written from an earlier request; a recording ends, complete.
        StillRequested.store(0);
        if (IsRecording) RestartCamera();
    };
    hooks.retry = [this] { RestartCamera(); };
    hooks.changed = [this] {
        if (picture_ != nullptr) picture_->update();
    };
    return hooks;
}

void CLumivisorDlg::RestartCamera() {
    if (IsRecording) EndRecording(false);
    HRESULT hr = E_POINTER;
    if (SelectedDevice >= 0) {
        EngineOperation operation(*this);
        hr = theApp.m_CaptureVideo.RestartGraph();
    }
    if (SUCCEEDED(hr)) {
        recovery_.Opened(recovery_.Identity());
        UpdateOperationMenu();
        return;
    }
    // The camera does not run again (the engine said why): the state of a failed open.
    SelectedDevice = -1;
    recovery_.Closed();
    GreyOperationMenu();
}

int CLumivisorDlg::ListedPosition(const QString& identity) {
    if (identity.isEmpty()) return -1;
    const int count = std::min(DeviceList->count(), int(ID_DEVICE_LAST - ID_DEVICE_FIRST + 1));
    for (int i = 0; i < count; ++i)
        if (theApp.m_CaptureVideo.DeviceIdentity(i) == identity) return i;
    return -1;
}

void CLumivisorDlg::WatchCamera(int position) {
    CCaptureVideo& engine = theApp.m_CaptureVideo;
    recovery_.Opened(engine.DeviceIdentity(position));
    ComPtr<IMediaEventEx> events;
    if (engine.m_pGraph && SUCCEEDED(engine.m_pGraph.as(IID_IMediaEventEx, events)))
        events->SetNotifyWindow(reinterpret_cast<OAHWND>(static_cast<QObject*>(this)),
                                WM_GRAPHNOTIFY, 0);
}

bool CLumivisorDlg::ResumeRecording(const QString& recordingCamera) {
    // The camera that was recording is remembered only when it is gone from the list.
    if (!recordingCamera.isEmpty())
        recovery_.RecordingCameraGone(ListedPosition(recordingCamera) < 0 ? recordingCamera
                                                                          : QString());
    const int back = ListedPosition(recovery_.ResumeIdentity());
    if (back < 0) return false;
    recovery_.ResumeTaken();
    SendMessage(this, WM_COMMAND, ID_DEVICE_FIRST + UINT(back), 0);
    if (SelectedDevice == back) OnStartRecorder();
    return true;
}
