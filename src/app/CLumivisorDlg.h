// The main window: the live picture, the menu bar (File, Devices, Operation, Language,
// About), the accelerators and the window's state.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QSize>
#include <memory>

#include "app/CameraSession.h"
#include "app/FramePainter.h"
#include "app/LayoutState.h"
#include "frames/PictureWriter.h"
#include "media/com/Hresult.h"
#include "platform/WinTypes.h"
#include "platform/widgets/Accelerators.h"

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

    // A device notice waits for the running engine operation.
    bool DeviceNoticeDeferred() const { return session_.DeviceNoticeDeferred(); }
    // The open camera sends no picture: the sign is shown (CameraRecovery).
    bool NoPictureShown() const { return session_.Recovery().NoPicture(); }
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
    // What the camera session shows in the window, and how it reaches it.
    CameraSession::Window SessionWindow();
    // A picture that was not written: a message says why (one at a time).
    void OnPictureNotSaved(HRESULT result);

    QMenuBar* menuBar_ = nullptr;
    QWidget* client_ = nullptr;
    QMenu* systemMenu_ = nullptr;
    QWidget* picture_ = nullptr;  // control 1000
    FramePainter painter_;
    CameraSession session_;
    std::unique_ptr<PictureWriter> pictureWriter_;
    bool pictureMessageShown_ = false;
    bool initialised_ = false;
    bool destroyed_ = false;
    WindowFit* fit_ = nullptr;
};
