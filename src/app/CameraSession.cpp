#include "app/CameraSession.h"

#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <mutex>

#include "app/CLumivisorApp.h"
#include "frames/FrameState.h"
#include "media/com/DShow.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "settings/NumberedFiles.h"
#include "settings/SharedState.h"

namespace {

// Taken video names skipped before a recording is tried under the last one.
constexpr int kMaxTakenVideoNames = 1000;

}  // namespace

CameraSession::CameraSession(Window window)
    : window_(std::move(window)), recovery_(RecoveryHooks()) {}

CameraSession::EngineOperation::EngineOperation(CameraSession& session) : session_(session) {
    ++session_.engineBusy_;
}

CameraSession::EngineOperation::~EngineOperation() {
    if (--session_.engineBusy_ != 0) return;
    // Notices that arrived meanwhile are handled once this operation has returned.
    if (session_.graphNoticeDeferred_) {
        session_.graphNoticeDeferred_ = false;
        PostMessage(session_.window_.widget, WM_GRAPHNOTIFY, 0, 0);
    }
    if (session_.deviceNoticeDeferred_) {
        session_.deviceNoticeDeferred_ = false;
        PostMessage(session_.window_.widget, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    }
}

CameraRecovery::Hooks CameraSession::RecoveryHooks() {
    CameraRecovery::Hooks hooks;
    hooks.busy = [this] { return Busy(); };
    hooks.lost = [this] {
        // No picture is written from an earlier request; a recording ends, complete.
        StillRequested.store(0);
        if (*window_.recording) RestartCamera();
    };
    hooks.retry = [this] { RestartCamera(); };
    hooks.changed = [this] { window_.repaint(); };
    return hooks;
}

void CameraSession::Record() {
    QString folder;
    QString prefix;
    std::int32_t first = 0;
    {
        std::lock_guard lock(SaveSettingsMutex);
        folder = SaveFolder;
        prefix = VideoPrefix;
        first = NextVideoNumber;
    }
    // A name taken since the folder was scanned is skipped: a recording never replaces a
    // file (the engine creates it exclusively).
    const std::int32_t number =
        FirstFreeNumber(folder, prefix, QStringLiteral("avi"), first, kMaxTakenVideoNames);
    HRESULT hr = S_OK;
    {
        EngineOperation operation(*this);
        hr = theApp.m_CaptureVideo.StartRecording(VideoFileName(folder, prefix, number));
    }
    if (FAILED(hr)) return;  // the engine showed why; the preview runs on
    // The graph tells the window when the file cannot be written; events of the preview
    // before the recording are dropped.
    ComPtr<IMediaEventEx> events;
    if (theApp.m_CaptureVideo.m_pGraph &&
        SUCCEEDED(theApp.m_CaptureVideo.m_pGraph.as(IID_IMediaEventEx, events))) {
        TakeWriteFailure(*events);
        NotifyWindowOfGraph(*events);
    }
    {
        std::lock_guard lock(SaveSettingsMutex);
        if (NextVideoNumber == first) NextVideoNumber = number;
    }
    *window_.recording = true;
    window_.menu();
    window_.repaint();
}

void CameraSession::EndRecording(bool restartPreview) {
    CCaptureVideo& engine = theApp.m_CaptureVideo;
    {
        EngineOperation operation(*this);
        if (restartPreview) {
            engine.StopRecording();
        } else if (engine.m_pMediaControl) {
            engine.m_pMediaControl->Stop();  // the file is completed before the graph stops
        }
    }
    {
        std::lock_guard lock(SaveSettingsMutex);
        if (NextVideoNumber < INT32_MAX) ++NextVideoNumber;
    }
    *window_.recording = false;
    if (restartPreview) {
        window_.menu();
    } else {
        window_.grey();
    }
    window_.widget->setWindowTitle(LoadStringForLanguage(100, LanguageFlag));
    window_.repaint();
}

QString CameraSession::Close() {
    const QString recordingCamera = *window_.recording ? recovery_.Identity() : QString();
    if (*window_.recording) EndRecording(false);
    recovery_.Closed();
    return recordingCamera;
}

HRESULT CameraSession::TakeWriteFailure(IMediaEventEx& events, bool* cameraLost) {
    HRESULT writeFailure = S_OK;
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    while (events.GetEvent(&code, &param1, &param2, 0) == S_OK) {
        if (code == EC_ERRORABORT &&
            (HRESULT(param1) == E_DISK_FULL || HRESULT(param1) == E_WRITE_FAULT))
            writeFailure = HRESULT(param1);
        if (code == EC_DEVICE_LOST && cameraLost != nullptr) *cameraLost = true;
        events.FreeEventParams(code, param1, param2);
    }
    return writeFailure;
}

void CameraSession::NotifyWindowOfGraph(IMediaEventEx& events) {
    events.SetNotifyWindow(reinterpret_cast<OAHWND>(static_cast<QObject*>(window_.widget)),
                           WM_GRAPHNOTIFY, 0);
}

void CameraSession::OnGraphEvents() {
    if (Busy()) {
        // The graph must not change under a running engine operation.
        graphNoticeDeferred_ = true;
        return;
    }
    ComPtr<IMediaEventEx> events;
    CCaptureVideo& engine = theApp.m_CaptureVideo;
    if (!engine.m_pGraph || FAILED(engine.m_pGraph.as(IID_IMediaEventEx, events))) return;
    bool cameraLost = false;
    const HRESULT writeFailure = TakeWriteFailure(*events, &cameraLost);
    // A camera that cannot be read while it stays listed (a glitch): no picture, retried.
    if (cameraLost) recovery_.ReadError();
    if (writeFailure == S_OK || !*window_.recording) return;
    // The file keeps what was written; the preview starts again without it.
    EndRecording(true);
    constexpr int kRecordingDiskFull = 166;
    constexpr int kRecordingWriteFault = 168;
    EngineOperation operation(*this);
    AfxMessageBox(
        LoadStringForLanguage(
            writeFailure == E_DISK_FULL ? kRecordingDiskFull : kRecordingWriteFault, LanguageFlag),
        MB_OK);
}

void CameraSession::RestartCamera() {
    if (*window_.recording) EndRecording(false);
    HRESULT hr = E_POINTER;
    if (window_.selected() >= 0) {
        EngineOperation operation(*this);
        hr = theApp.m_CaptureVideo.RestartGraph();
    }
    if (SUCCEEDED(hr)) {
        recovery_.Opened(recovery_.Identity());
        window_.menu();
        return;
    }
    // The camera does not run again (the engine said why): the state of a failed open.
    window_.deselect();
    recovery_.Closed();
    window_.grey();
}

int CameraSession::ListedPosition(const QString& identity) const {
    if (identity.isEmpty()) return -1;
    const int count = std::min(window_.listedCameras(), int(ID_DEVICE_LAST - ID_DEVICE_FIRST + 1));
    for (int i = 0; i < count; ++i)
        if (theApp.m_CaptureVideo.DeviceIdentity(i) == identity) return i;
    return -1;
}

void CameraSession::Watch(int position) {
    CCaptureVideo& engine = theApp.m_CaptureVideo;
    recovery_.Opened(engine.DeviceIdentity(position));
    ComPtr<IMediaEventEx> events;
    if (engine.m_pGraph && SUCCEEDED(engine.m_pGraph.as(IID_IMediaEventEx, events)))
        NotifyWindowOfGraph(*events);
}

bool CameraSession::ResumeRecording(const QString& recordingCamera) {
    // The camera that was recording is remembered only when it is gone from the list.
    if (!recordingCamera.isEmpty())
        recovery_.RecordingCameraGone(ListedPosition(recordingCamera) < 0 ? recordingCamera
                                                                          : QString());
    const int back = ListedPosition(recovery_.ResumeIdentity());
    if (back < 0) return false;
    recovery_.ResumeTaken();
    SendMessage(window_.widget, WM_COMMAND, ID_DEVICE_FIRST + UINT(back), 0);
    if (window_.selected() == back) Record();
    return true;
}
