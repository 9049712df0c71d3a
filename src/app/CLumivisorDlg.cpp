#include "app/CLumivisorDlg.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "app/CLumivisorApp.h"
#include "app/WindowFit.h"
#include "capture/RecordingRepair.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/FrameState.h"
#include "frames/SaveSnapshot.h"
#include "media/devices/DeviceNotices.h"
#include "platform/LocaleId.h"
#include "platform/MessageBox.h"
#include "platform/ShellFolders.h"
#include "platform/WindowMessage.h"
#include "platform/widgets/DialogBuilder.h"
#include "platform/widgets/Menu.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "resources/Templates.h"
#include "settings/CAboutDlg.h"
#include "settings/CFolderWnd.h"
#include "settings/Language.h"
#include "settings/NumberedFiles.h"
#include "settings/SettingsFile.h"
#include "settings/SharedState.h"

int CaptionBlinkCount = 0;

namespace {

// The six Operation items, in the order they are enabled or greyed.
constexpr UINT kOperationItems[] = {ID_START_RECORDER, ID_STOP_RECORDER, ID_SNAP,
                                    ID_CROSSHAIRS,     ID_RESOLUTION,    ID_FILTER};

constexpr int kDevicesPopup = 1;

bool IsDialogKey(const QKeyEvent& key) {
    switch (key.key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return true;
        default:
            return false;
    }
}

}  // namespace

CLumivisorDlg::CLumivisorDlg(QWidget* parent) : QDialog(parent), session_(SessionWindow()) {
    AppIcon = LoadIconResource(IDR_MAINFRAME);

    const DialogTemplate* dialogTemplate = FindDialogTemplate(IDD_LUMIVISOR_DIALOG);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    menuBar_ = BuildMenuBar(*FindMenuTemplate(dialogTemplate->menuId), this);
    layout->setMenuBar(menuBar_);
    client_ = new QWidget(this);
    layout->addWidget(client_);
    const QSize clientSize = BuildDialogFromTemplate(this, *dialogTemplate, client_);
    resize(clientSize.width(), clientSize.height() + menuBar_->sizeHint().height());
    fit_ = new WindowFit(this);

    // DoDataExchange: control 1003 is DeviceList.
    DeviceList = qobject_cast<QComboBox*>(GetDlgItem(this, IDC_DEVICE_LIST));

    connect(menuBar_, &QMenuBar::triggered, this, [this](QAction* action) {
        // The menu bar is left before the command runs (it may open a dialog): the keyboard
        // is back at the picture when the command returns.
        if (picture_ != nullptr) picture_->setFocus();
        SendMessage(this, WM_COMMAND, GetMenuItemID(action), 0);
    });
    client_->installEventFilter(this);
    // The live picture is painted into control 1000 (OnPaint).
    picture_ = GetDlgItem(this, IDC_PICTURE);
    if (picture_ != nullptr) {
        picture_->installEventFilter(this);
        // The picture has the keyboard: the menu bar gives it back there when it is left.
        picture_->setFocusPolicy(Qt::StrongFocus);
    }
}

CLumivisorDlg::~CLumivisorDlg() {
    // No repaint request or device notice reaches the window from here on.
    if (MainWindowHandle.load() == this) SetMainWindowHandle(nullptr);
    UnregisterDeviceNotification(this);
}

CameraSession::Window CLumivisorDlg::SessionWindow() {
    CameraSession::Window window;
    window.widget = this;
    window.recording = &IsRecording;
    window.menu = [this] { UpdateOperationMenu(); };
    window.grey = [this] { GreyOperationMenu(); };
    window.repaint = [this] {
        if (picture_ != nullptr) picture_->update();
    };
    window.selected = [this] { return SelectedDevice; };
    window.deselect = [this] { SelectedDevice = -1; };
    window.listedCameras = [this] { return DeviceList->count(); };
    return window;
}

BOOL CLumivisorDlg::Create() {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    return TRUE;
}

int CLumivisorDlg::DoModal() {
    Create();
    return exec();
}

BOOL CLumivisorDlg::OnInitDialog() {
    // 1. The base initialisation (controls and DeviceList) ran in the constructor.

    // 2. The About entry of the window's own menu (a context menu on the picture here).
    systemMenu_ = new QMenu(this);
    const QString aboutText = LoadStringId(101);
    if (!aboutText.isEmpty()) {
        AppendMenu(systemMenu_, MF_SEPARATOR, 0, QString());
        AppendMenu(systemMenu_, MF_STRING, IDM_ABOUTBOX, aboutText);
    }
    connect(systemMenu_, &QMenu::triggered, this, [this](QAction* action) {
        SendMessage(this, WM_SYSCOMMAND, GetMenuItemID(action), 0);
    });

    // 3. Large and small icon.
    setWindowIcon(AppIcon);

    // 4. Show the window.
    show();
    if (picture_ != nullptr) picture_->setFocus();

    // 5. The target of the repaint requests, and the capture-device notices. Without a
    //    device monitor the window carries on without hot-plug notices.
    SetMainWindowHandle(this);
    // Requested pictures are written by SaveSnapshot, on the picture writer's thread.
    pictureWriter_ = std::make_unique<PictureWriter>();
    RegisterDeviceNotification(this);

    // 6. to 8. Language from the settings file, by default from the system locale.
    const int defaultLanguage = DefaultLanguageFor(GetSystemDefaultLCID());
    SettingsFilePath = SettingsFilePathIn(GetSpecialFolderPath(CSIDL_LOCAL_APPDATA));
    LanguageFlag = ReadLanguageSetting(SettingsFilePath, defaultLanguage);
    ApplyLanguage(LanguageFlag);

    // 9. Accelerators; from now on keys act only through them.
    Accelerators = AcceleratorTable(FindAcceleratorTable(IDR_ACCELERATOR)->entries);
    qApp->installEventFilter(this);

    // 10. The recording indicator.
    RecIndicatorBitmap = LoadBitmapResource(IDB_RECORDING);
    RecIndicatorWidth = RecIndicatorBitmap.width();
    RecIndicatorHeight = RecIndicatorBitmap.height();
    painter_.SetIndicator(RecIndicatorBitmap);

    // 11. Save folder: "path", by default the desktop folder.
    {
        const QString folder =
            ReadSaveFolderSetting(SettingsFilePath, GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY));
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = folder;
    }

    // 12. The cameras into DeviceList, then the device menu.
    theApp.m_CaptureVideo.EnumDevices(DeviceList);
    RebuildDeviceMenu();

    // 13. Layout and the window size for no device.
    AddLayoutItem(IDC_PICTURE);
    FitWindowToVideo();

    // 14. No device is open yet.
    GreyOperationMenu();

    // 15., 16. The next picture and video numbers.
    {
        std::lock_guard lock(SaveSettingsMutex);
        NextPictureNumber = ScanNextNumber(SaveFolder, PicturePrefix, QStringLiteral("jpg"));
        NextVideoNumber = ScanNextNumber(SaveFolder, VideoPrefix, QStringLiteral("avi"));
    }

    // 17. Open the last device of the list.
    const int count = DeviceList->count();
    if (count > 0) SendMessage(this, WM_COMMAND, ID_DEVICE_FIRST - 1 + count, 0);

    // Recordings of the save folder that were interrupted are repaired in the background.
    {
        std::lock_guard lock(SaveSettingsMutex);
        new RecordingRepair(SaveFolder, VideoPrefix, this);
    }

    // 18.
    return TRUE;
}

BOOL CLumivisorDlg::DestroyWindow() {
    if (destroyed_) return TRUE;
    destroyed_ = true;
    // A running recording is stopped, so that its file is complete.
    session_.Close();
    return TRUE;
}

void CLumivisorDlg::done(int result) {
    DestroyWindow();
    QDialog::done(result);
}

BOOL CLumivisorDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    Q_UNUSED(lParam);
    const UINT id = LOWORD(wParam);
    if (id >= ID_DEVICE_FIRST && id <= ID_DEVICE_LAST) {
        const int position = static_cast<int>(id - ID_DEVICE_FIRST);
        for (UINT command = ID_DEVICE_FIRST; command <= ID_DEVICE_LAST; ++command) {
            CheckMenuItem(menuBar_, command, MF_BYCOMMAND | MF_UNCHECKED);
        }
        CheckMenuItem(menuBar_, id, MF_BYCOMMAND | MF_CHECKED);
        if (position != SelectedDevice) {
            SelectedDevice = position;
            OpenSelectedDevice(position);
        }
    }
    return OnCmdMsg(id);
}

void CLumivisorDlg::OpenSelectedDevice(int position) {
    CCaptureVideo& engine = theApp.m_CaptureVideo;
    // The recording of the device in use ends first, its file complete.
    if (IsRecording) session_.EndRecording(false);
    HRESULT hr = S_OK;
    {
        CameraSession::EngineOperation operation(session_);
        hr = engine.OpenDevice(position);
    }
    // A build that stopped after binding the device leaves a capture filter and builder
    // in the engine without a running graph: only a graph that runs counts as open.
    if (hr != 0 || !engine.m_pCaptureFilter || !engine.m_pCaptureBuilder) {
        // Choosing the same entry again retries the open (the check mark stays); the
        // window keeps its size and the previous frame size.
        SelectedDevice = -1;
        session_.Recovery().Closed();
        return;
    }
    session_.Watch(position);
    VideoWidth = engine.m_nWidth;
    VideoHeight = engine.m_nHeight;
    FrameInfo = BITMAPINFOHEADER{};
    FrameInfo.biSize = sizeof(BITMAPINFOHEADER);
    FrameInfo.biWidth = VideoWidth;
    FrameInfo.biHeight = VideoHeight;
    FrameInfo.biPlanes = 1;
    FrameInfo.biBitCount = 24;
    FrameInfo.biCompression = BI_RGB;
    FitWindowToVideo();
    if (engine.m_pVideoWindow) {
        // The engine's owner window is never given a window: its client rectangle is empty.
        const RECT owner{};
        engine.m_pVideoWindow->SetWindowPosition(0, 0, owner.right, owner.bottom);
    }
    UpdateOperationMenu();
}

BOOL CLumivisorDlg::OnDeviceChange(WPARAM eventType, LPARAM eventData) {
    Q_UNUSED(eventData);
    if (eventType != DBT_DEVICEARRIVAL && eventType != DBT_DEVICEREMOVECOMPLETE) return TRUE;
    if (session_.Busy()) {
        // An engine operation runs a modal loop (a message box, a property frame): the
        // graph must not change under it. The notice is handled when it has returned.
        session_.DeferDeviceNotice();
        return TRUE;
    }
    // A recording ends before the graph goes: its file complete, the window out of the
    // recording state.
    const QString recordingCamera = session_.Close();
    SelectedDevice = -1;
    DeviceList->clear();
    theApp.m_CaptureVideo.EnumDevices(DeviceList);
    RebuildDeviceMenu();
    GreyOperationMenu();
    const int count = DeviceList->count();
    // The recording camera back after a loose cable records on; else the last one opens.
    if (!session_.ResumeRecording(recordingCamera) && count > 0)
        SendMessage(this, WM_COMMAND, ID_DEVICE_FIRST - 1 + count, 0);
    return TRUE;
}

BOOL CLumivisorDlg::OnCmdMsg(UINT id) {
    switch (id) {
        case ID_SET_FOLDER:
            OnSetFolder();
            return TRUE;
        case ID_FREEZE_PREVIEW:
            OnFreezePreview();
            return TRUE;
        case ID_SNAP:
            OnSnap();
            return TRUE;
        case ID_START_RECORDER:
            OnStartRecorder();
            return TRUE;
        case ID_STOP_RECORDER:
            OnStopRecorder();
            return TRUE;
        case ID_CROSSHAIRS:
            OnCrosshairs();
            return TRUE;
        case ID_FILTER:
            OnFilter();
            return TRUE;
        case ID_RESOLUTION:
            OnResolution();
            return TRUE;
        case ID_ABOUT:
            OnAbout();
            return TRUE;
        case ID_ENGLISH:
            OnEnglish();
            return TRUE;
        case ID_RUSSIAN:
            OnRussian();
            return TRUE;
        default:
            return theApp.OnCmdMsg(id);
    }
}

BOOL CLumivisorDlg::PreTranslateMessage(QEvent* message) {
    if (Accelerators.IsEmpty()) return FALSE;
    return TranslateAccelerator(this, menuBar_, Accelerators, message);
}

bool CLumivisorDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == picture_ && event->type() == QEvent::Paint) return OnPaint();
    if (watched == client_ && event->type() == QEvent::Resize) {
        ApplyLayout();
        return false;
    }
    if (event->type() == QEvent::KeyPress && !Accelerators.IsEmpty()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && widget->window() == this) {
            // While the menu bar or a menu has the keyboard, its keys are the menu's.
            if (QApplication::activePopupWidget() != nullptr || menuBar_->hasFocus())
                return widget == this && IsDialogKey(*static_cast<QKeyEvent*>(event));
            if (PreTranslateMessage(event)) return true;
            // The dialog's own key handling (Esc closes, Enter presses the default
            // button, Tab moves the focus) does not apply to this window.
            if (IsDialogKey(*static_cast<QKeyEvent*>(event))) return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool CLumivisorDlg::event(QEvent* event) {
    if (event->type() == WindowMessageEvent::eventType()) {
        auto* message = static_cast<WindowMessageEvent*>(event);
        message->result = WindowProc(message->message(), message->wParam(), message->lParam());
        return true;
    }
    return QDialog::event(event);
}

LRESULT CLumivisorDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            return OnCommand(wParam, lParam);
        case WM_SYSCOMMAND:
            OnSysCommand(static_cast<UINT>(wParam), lParam);
            return 0;
        case WM_PAINT:
            // A repaint request of the frame sink: the next one may be posted again.
            AcknowledgeRepaint();
            if (picture_ != nullptr) picture_->update();
            return 0;
        case WM_DEVICECHANGE:
            return OnDeviceChange(wParam, lParam);
        case WM_TIMER:
            OnTimer(static_cast<UINT>(wParam));
            return 0;
        case WM_GRAPHNOTIFY:
            session_.OnGraphEvents();
            return 0;
        case WM_PICTURE_NOT_SAVED:
            OnPictureNotSaved(static_cast<HRESULT>(static_cast<std::uint32_t>(wParam)));
            return 0;
        default:
            return 0;
    }
}

void CLumivisorDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (systemMenu_ != nullptr && client_->geometry().contains(event->pos())) {
        systemMenu_->exec(event->globalPos());
        return;
    }
    QDialog::contextMenuEvent(event);
}

void CLumivisorDlg::OnSysCommand(UINT id, LPARAM lParam) {
    Q_UNUSED(lParam);
    if ((id & 0xFFF0) == IDM_ABOUTBOX) OnAbout();
}

void CLumivisorDlg::ApplyLanguage(int flag) {
    ApplyQtTranslations(flag);
    for (const LanguageLabel& label : kLanguageLabels) {
        const QString text = LoadStringForLanguage(label.russianId, flag);
        switch (label.target) {
            case LanguageLabel::Target::Caption:
                setWindowTitle(text);
                break;
            case LanguageLabel::Target::PopupAtPosition:
                SetMenuItemText(menuBar_, label.where, MF_BYPOSITION, text);
                break;
            case LanguageLabel::Target::ItemWithCommand:
                SetMenuItemText(menuBar_, label.where, MF_BYCOMMAND, text);
                break;
        }
    }
}

void CLumivisorDlg::OnRussian() {
    ApplyLanguage(1);
    LanguageFlag = 1;
    menuBar_->update();
    WriteLanguageSetting(SettingsFilePath, 1);
}

void CLumivisorDlg::OnEnglish() {
    ApplyLanguage(0);
    LanguageFlag = 0;
    menuBar_->update();
    WriteLanguageSetting(SettingsFilePath, 0);
}

void CLumivisorDlg::UpdateOperationMenu() {
    for (UINT id : kOperationItems) {
        const bool enabled = (id == ID_STOP_RECORDER) == IsRecording;
        EnableMenuItem(menuBar_, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

void CLumivisorDlg::GreyOperationMenu() {
    for (UINT id : kOperationItems) EnableMenuItem(menuBar_, id, MF_BYCOMMAND | MF_GRAYED);
}

void CLumivisorDlg::RebuildDeviceMenu() {
    const int count = DeviceList->count();
    QMenu* devices = GetSubMenu(menuBar_, kDevicesPopup);
    for (int i = GetMenuItemCount(devices) - 1; i >= 0; --i) {
        DeleteMenu(devices, static_cast<UINT>(i), MF_BYPOSITION);
    }
    for (int i = 0; i < count; ++i) {
        AppendMenu(devices, MF_STRING, ID_DEVICE_FIRST + static_cast<UINT>(i),
                   DeviceList->itemText(i));
    }
    // An empty drop-down is never shown: a popup once shown empty stays at no size under
    // some window managers and never opens again. Without entries the title is greyed, and
    // an open drop-down that loses its last entry closes.
    devices->menuAction()->setEnabled(count > 0);
    if (count == 0) devices->hide();
}

void CLumivisorDlg::OnFreezePreview() {
    PreviewFrozen.store(PreviewFrozen.load() == 0 ? 1 : 0);
}

void CLumivisorDlg::OnSnap() {
    if (session_.Recovery().NoPicture()) return;  // nothing to write while the camera sends nothing
    StillRequested.store(1);
}

void CLumivisorDlg::OnCrosshairs() {
    CrosshairShown = !CrosshairShown;
    FrameCallback.CrosshairOn = CrosshairShown;
}

void CLumivisorDlg::OnStartRecorder() {
    session_.Record();
}

void CLumivisorDlg::OnStopRecorder() {
    session_.EndRecording(true);
}

void CLumivisorDlg::OnPictureNotSaved(HRESULT result) {
    // Pictures asked for while the message is open fail for the same reason: one message.
    if (pictureMessageShown_) return;
    pictureMessageShown_ = true;
    constexpr int kPictureDiskFullText = 170;
    constexpr int kPictureNotWrittenText = 172;
    AfxMessageBox(
        LoadStringForLanguage(result == E_DISK_FULL ? kPictureDiskFullText : kPictureNotWrittenText,
                              LanguageFlag),
        MB_OK);
    pictureMessageShown_ = false;
}

void CLumivisorDlg::OnFilter() {
    // The frame runs a modal loop: device notices wait until it has closed.
    CameraSession::EngineOperation operation(session_);
    theApp.m_CaptureVideo.ShowFilterDialog(this);
}

void CLumivisorDlg::OnResolution() {
    CCaptureVideo& engine = theApp.m_CaptureVideo;
    {
        CameraSession::EngineOperation operation(session_);
        engine.ShowResolutionDialog(this);
    }
    VideoWidth = engine.m_nWidth;
    VideoHeight = engine.m_nHeight;
    FitWindowToVideo();
    FrameInfo.biWidth = VideoWidth;
    FrameInfo.biHeight = VideoHeight;
    if (engine.m_pVideoWindow) {
        // The engine's owner window is never given a window: its client rectangle is empty.
        const RECT owner{};
        engine.m_pVideoWindow->SetWindowPosition(0, 0, owner.right, owner.bottom);
    }
}

void CLumivisorDlg::OnSetFolder() {
    // Copy in, run, copy back whatever the result, numbering on, "path" written.
    OnSetFolderProtocol(this, SettingsFilePath);
}

void CLumivisorDlg::OnAbout() {
    ShowAboutDialog(this);
}

void CLumivisorDlg::AddLayoutItem(int id) {
    const QRect client = client_->rect();
    m_layout.client = RECT{client.left(), client.top(), client.right() + 1, client.bottom() + 1};
    QWidget* control = GetDlgItem(this, id);
    if (control == nullptr) return;
    const QRect r = control->geometry();  // in the client area's coordinates
    const auto w = static_cast<float>(client.width());
    const auto h = static_cast<float>(client.height());
    if (w <= 0 || h <= 0) return;
    m_layout.items.push_back(LayoutItem{
        id, client_, static_cast<float>(r.left()) / w, static_cast<float>(r.left() + r.width()) / w,
        static_cast<float>(r.top()) / h, static_cast<float>(r.top() + r.height()) / h});
}

int CLumivisorDlg::ApplyLayout() {
    for (const LayoutItem& item : m_layout.items) {
        const QRect client = item.parent->rect();
        m_layout.client =
            RECT{client.left(), client.top(), client.right() + 1, client.bottom() + 1};
        QWidget* control = GetDlgItem(item.parent, item.id);
        if (control == nullptr) continue;
        const auto w = static_cast<float>(client.width());
        const auto h = static_cast<float>(client.height());
        const int x = static_cast<int>(item.left * w);
        const int x2 = static_cast<int>(w * item.right);
        const int y = static_cast<int>(item.top * h);
        const int y2 = static_cast<int>(h * item.bottom);
        control->setGeometry(x, y, x2 - x, y2 - y);
        control->update();
    }
    return static_cast<int>(m_layout.items.size());
}

QSize CLumivisorDlg::OuterSizeForVideo(int videoWidth, int videoHeight, const QSize& screen) {
    int w = videoWidth;
    int h = videoHeight;
    if (w <= 0 || h <= 0) {
        w = 640;
        h = 480;
    }
    // Only the width decides: a picture that fits gets its frame and caption around it,
    // a wider one a window a little larger than the screen.
    if (w < screen.width() - 48) return QSize(w + 3 + 10, h + 28 + 30);
    return QSize(screen.width() + 10, screen.height() + 30);
}

void CLumivisorDlg::FitWindowToVideo() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize(1920, 1080);
    fit_->Fit(OuterSizeForVideo(VideoWidth, VideoHeight, screenSize));
}

QSize CLumivisorDlg::FittedOuterSize() const {
    return fit_->FittedOuterSize();
}

bool CLumivisorDlg::OnPaint() {
    if (picture_ == nullptr) return false;
    if (isMinimized()) {
        // The application icon, centred.
        QPainter painter(picture_);
        const int size = style()->pixelMetric(QStyle::PM_LargeIconSize);
        const QRect client = picture_->rect();
        const int x = (client.width() - size + 1) / 2;
        const int y = (client.height() - size + 1) / 2;
        AppIcon.paint(&painter, QRect(x, y, size, size));
        return true;
    }
    // The latest frame when the buffer holds a whole one as FrameInfo describes it, else
    // none (before the first, and until the first of a new size).
    if (painter_.Refresh(FrameInfo)) ++FramesPainted;
    // While a frame or the sign covers the control, what lies under it is not painted first.
    const bool covered = painter_.HasFrame() || session_.Recovery().NoPicture();
    picture_->setAttribute(Qt::WA_OpaquePaintEvent, covered);
    if (!covered) return false;  // the control's own
    QPainter painter(picture_);
    if (!painter_.Paint(painter, picture_->rect(), IsRecording, VideoWidth))
        painter.fillRect(picture_->rect(), palette().window());
    session_.Recovery().PaintSign(painter, picture_->rect());
    return true;
}

QIcon CLumivisorDlg::OnQueryDragIcon() const {
    return AppIcon;
}

void CLumivisorDlg::OnTimer(UINT id) {
    // Nothing starts a timer; timer 1 would blink the caption while recording.
    if (id == 1) {
        setWindowTitle(CaptionBlinkCount % 2 == 0 ? LoadStringForLanguage(108, LanguageFlag)
                                                  : QString());
        ++CaptionBlinkCount;
    }
}
