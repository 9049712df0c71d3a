// The open camera's life behind the main window: the engine operations that may run a modal
// loop (notices that arrive meanwhile wait for them), the recording (start, end, a file that
// cannot be written) and the camera's recovery (no picture, a loose cable). The window owns
// it and is told what to show through the callbacks it gives.
#pragma once

#include <QString>
#include <functional>

#include "app/CameraRecovery.h"
#include "media/com/Hresult.h"

struct IMediaEventEx;
class QObject;
class QWidget;

class CameraSession {
public:
    struct Window {
        QWidget* widget = nullptr;       // receives graph and deferred device notices; its caption
        bool* recording = nullptr;       // the window's recording state, shown by menu and picture
        std::function<void()> menu;      // the Operation items by the recording state
        std::function<void()> grey;      // the Operation items greyed (no camera open)
        std::function<void()> repaint;   // the picture
        std::function<int()> selected;   // the open device's position (-1: none)
        std::function<void()> deselect;  // no device is open any more
        std::function<int()> listedCameras;  // entries of the device list
    };

    explicit CameraSession(Window window);

    // Marks an engine operation (it may run a modal loop) for its lifetime: device and graph
    // notices that arrive meanwhile are handled after it.
    class EngineOperation {
    public:
        explicit EngineOperation(CameraSession& session);
        ~EngineOperation();
        EngineOperation(const EngineOperation&) = delete;
        EngineOperation& operator=(const EngineOperation&) = delete;

    private:
        CameraSession& session_;
    };
    bool Busy() const { return engineBusy_ > 0; }
    // A device notice came during an engine operation: it is posted again after it.
    void DeferDeviceNotice() { deviceNoticeDeferred_ = true; }
    bool DeviceNoticeDeferred() const { return deviceNoticeDeferred_; }

    CameraRecovery& Recovery() { return recovery_; }
    const CameraRecovery& Recovery() const { return recovery_; }

    // Records into the next free "%s%s_%d.avi" of SaveFolder and VideoPrefix; a recording
    // that cannot start leaves the window as it was (the engine shows why).
    void Record();
    // Ends a running recording: file completed, NextVideoNumber advanced, the recording state
    // cleared, caption back. With restartPreview (Stop recorder) the graph returns to plain
    // preview and the menu to the device-open state; without (a device change, closing),
    // the graph is only stopped and the menu greyed until a device opens.
    void EndRecording(bool restartPreview);
    // Ends a recording (its file complete) and stops watching the camera: the identity of
    // the camera that was recording, empty when none.
    QString Close();
    // The camera just opened at position is watched; its graph's notices reach the window.
    void Watch(int position);
    // After a device notice: the camera that was recording (its identity, empty when none)
    // is remembered when it is gone, and opened to record on into the next file when it is
    // back in time. True when it was opened so.
    bool ResumeRecording(const QString& recordingCamera);
    // The graph's events: a file that cannot be written (a full disk) ends the recording,
    // the preview runs on, and a message says why; a camera that cannot be read is retried.
    void OnGraphEvents();

private:
    CameraRecovery::Hooks RecoveryHooks();
    // The open camera's graph stopped (a recording ended, complete) and run again; when it
    // does not run, the state of a failed open.
    void RestartCamera();
    // The device position whose identity that is (-1: none listed, or past the eight).
    int ListedPosition(const QString& identity) const;
    // Empties the graph's event queue; the write failure among the events (a full disk or
    // another write error), S_OK when there was none; *cameraLost tells whether the camera
    // could not be read.
    static HRESULT TakeWriteFailure(IMediaEventEx& events, bool* cameraLost = nullptr);
    void NotifyWindowOfGraph(IMediaEventEx& events);

    Window window_;
    CameraRecovery recovery_;
    int engineBusy_ = 0;
    bool deviceNoticeDeferred_ = false;
    bool graphNoticeDeferred_ = false;
};
