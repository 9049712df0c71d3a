// The main window: the live picture, the menu bar (File, Devices, Operation, Language,
// About), the accelerators and the window's state.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QSize>
#include <memory>

#include "app/CameraRecovery.h"
#include "app/FramePainter.h"
#include "app/LayoutState.h"
#include "frames/PictureWriter.h"
#include "media/com/Hresult.h"
#include "platform/WinTypes.h"
#include "platform/widgets/Accelerators.h"

struct IMediaEventEx;
class QComboBox;
class QMenu;
class QMenuBar;
class WindowFit;

// Ticks of the (never started) caption timer.
extern int CaptionBlinkCount;

class CLumivisorDlg : public QDialog {
    Q_OBJECT
public:
    explicit CLumivisorDlg(QWidget* parent = nullptr);
    ~CLumivisorDlg() override;

    // Runs OnInitDialog; the window is then shown (not modal).
    BOOL Create();
    // Create, then the modal loop until the window closes.
    int DoModal();

    BOOL OnInitDialog();
    // Stops a running recording; the window then closes.
    BOOL DestroyWindow();
    // Ends the window (and the modal loop) through DestroyWindow.
    void done(int result) override;
    // Device commands, then every command to its handler.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // Device arrival (0x8000) or removal (0x8004): rebuilds the device list and menu and
    // opens the last device. While an engine operation runs, the notice waits until it has
    // returned. Always TRUE.
    BOOL OnDeviceChange(WPARAM eventType, LPARAM eventData);
    // Once the accelerators are loaded, a key press acts only through them: TRUE when a
    // key was translated (its command sent, or dropped because its item is greyed).
    BOOL PreTranslateMessage(QEvent* message);

    // Relabels the caption, the menu and Qt's own texts for a language; does not store the flag.
    void ApplyLanguage(int flag);
    // Enables or greys the six Operation items by IsRecording.
    void UpdateOperationMenu();
    // Greys the six Operation items.
    void GreyOperationMenu();
    // Refills the Devices popup from DeviceList.
    void RebuildDeviceMenu();

    // Proportional layout of the client area.
    void AddLayoutItem(int id);
    int ApplyLayout();
    // Sizes the window for VideoWidth x VideoHeight (640 x 480 when unknown) and centres it.
    void FitWindowToVideo();
    // The outer window size for a video on a screen of that size.
    static QSize OuterSizeForVideo(int videoWidth, int videoHeight, const QSize& screen);

    // Paints control 1000: the frame stretched over it with the recording indicator, or the
    // icon when minimised. False when there is nothing to draw (the control paints itself).
    bool OnPaint();
    // The icon shown while the minimised window is dragged.
    QIcon OnQueryDragIcon() const;
    void OnTimer(UINT id);

    // Marks an engine operation (it may run a modal loop) for its lifetime: device notices
    // that arrive meanwhile are handled after it.
    class EngineOperation {
    public:
        explicit EngineOperation(CLumivisorDlg& dlg);
        ~EngineOperation();
        EngineOperation(const EngineOperation&) = delete;
        EngineOperation& operator=(const EngineOperation&) = delete;

    private:
        CLumivisorDlg& dlg_;
    };
    // A device notice waits for the running engine operation.
    bool DeviceNoticeDeferred() const { return deviceNoticeDeferred_; }
    // The open camera sends no picture: the sign is shown (CameraRecovery).
    bool NoPictureShown() const { return recovery_.NoPicture(); }
    // Frames taken from FrameBuffer and painted so far.
    int FramesPainted = 0;
    // True when no requested picture is left to write.
    bool PicturesWritten() const { return !pictureWriter_ || pictureWriter_->Idle(); }

    void OnSysCommand(UINT id, LPARAM lParam);
    void OnFreezePreview();
    void OnSnap();
    // Records into the next free "%s%s_%d.avi" of SaveFolder and VideoPrefix; a recording
    // that cannot start leaves the window as it was (the engine shows why).
    void OnStartRecorder();
    // Completes the file, advances NextVideoNumber, back to the device-open state and caption.
    void OnStopRecorder();
    void OnCrosshairs();
    // The camera's settings pages (the preview runs on while they are open).
    void OnFilter();
    // The camera's stream format pages; then the window, FrameInfo and the video window
    // take the engine's frame size.
    void OnResolution();
    void OnEnglish();
    void OnRussian();
    void OnSetFolder();
    void OnAbout();

    QMenuBar* MenuBar() const { return menuBar_; }
    QWidget* ClientArea() const { return client_; }
    QMenu* SystemMenu() const { return systemMenu_; }
    // The outer (frame) size FitWindowToVideo gave the window.
    QSize FittedOuterSize() const;

    QIcon AppIcon;
    AcceleratorTable Accelerators;  // empty until OnInitDialog loads table 130
    LayoutState m_layout;
    bool IsRecording = false;
    bool CrosshairShown = false;
    int SelectedDevice = -1;
    int VideoWidth = 0;
    int VideoHeight = 0;
    QString SettingsFilePath;
    QComboBox* DeviceList = nullptr;  // control 1003, never shown
    QImage RecIndicatorBitmap;
    int RecIndicatorWidth = 0;
    int RecIndicatorHeight = 0;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnCmdMsg(UINT id);
    // Opens the device in the engine and, when it opened, takes its size and fits the window.
    void OpenSelectedDevice(int position);
    // What the window does for a camera without picture (CameraRecovery).
    CameraRecovery::Hooks RecoveryHooks();
    // The camera just opened at position is watched; its graph's notices reach the window.
    void WatchCamera(int position);
    // After a device notice: the camera that was recording (its identity, empty when none)
    // is remembered when it is gone, and opened to record on into the next file when it is
    // back in time. True when it was opened so.
    bool ResumeRecording(const QString& recordingCamera);
    // The open camera's graph stopped (a recording ended, complete) and run again; when it
    // does not run, the state of a failed open.
    void RestartCamera();
    // The device position whose identity that is (-1: none listed, or past the eight).
    int ListedPosition(const QString& identity);
    // Ends a running recording: file completed, NextVideoNumber advanced, IsRecording
    // cleared, caption back. With restartPreview (Stop recorder) the graph returns to plain
    // preview and the menu to the device-open state; without (a device change, closing),
    // the graph is only stopped and the menu greyed until a device opens.
    void EndRecording(bool restartPreview);
    // The graph's events while recording: a file that cannot be written (a full disk) ends
    // the recording, the preview runs on, and a message says why.
    void OnGraphNotify();
    // Empties the graph's event queue; the write failure among the events (a full disk or
    // another write error), S_OK when there was none; *cameraLost tells whether the camera
    // could not be read.
    static HRESULT TakeWriteFailure(IMediaEventEx& events, bool* cameraLost = nullptr);
    // A picture that was not written: a message says why (one at a time).
    void OnPictureNotSaved(HRESULT result);

    QMenuBar* menuBar_ = nullptr;
    QWidget* client_ = nullptr;
    QMenu* systemMenu_ = nullptr;
    QWidget* picture_ = nullptr;  // control 1000
    FramePainter painter_;
    CameraRecovery recovery_;
    std::unique_ptr<PictureWriter> pictureWriter_;
    int engineBusy_ = 0;
    bool deviceNoticeDeferred_ = false;
    bool graphNoticeDeferred_ = false;
    bool pictureMessageShown_ = false;
    bool initialised_ = false;
    bool destroyed_ = false;
    WindowFit* fit_ = nullptr;
};
