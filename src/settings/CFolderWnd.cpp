#include "settings/CFolderWnd.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <mutex>

#include "platform/ShellFolders.h"
#include "platform/widgets/DialogBuilder.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "resources/Templates.h"
#include "settings/NumberedFiles.h"
#include "settings/SettingsFile.h"
#include "settings/SharedState.h"

namespace {

constexpr int IDOK = IDOK_BUTTON;
constexpr int IDCANCEL = IDCANCEL_BUTTON;

// Texts set at initialisation: control id (0 = the caption) and its Russian string id.
struct Relabel {
    int controlId;
    int russianId;
};
constexpr Relabel kRelabels[] = {
    {0, 134},
    {IDOK_BUTTON, 144},
    {IDCANCEL_BUTTON, 146},
    {IDC_FOLDER_LABEL, 136},
    {IDC_BROWSE, 138},
    {IDC_PICTURE_PREFIX_LABEL, 140},
    {IDC_VIDEO_PREFIX_LABEL, 142},
};

// The folder browser's title in both languages.
constexpr int kBrowseTitleId = 134;

void DdxCheck(QWidget* dialog, int id, int& value, bool save) {
    auto* box = qobject_cast<QCheckBox*>(GetDlgItem(dialog, id));
    if (box == nullptr) return;
    if (save) {
        value = box->checkState() == Qt::Checked ? 1 : box->checkState() == Qt::Unchecked ? 0 : 2;
    } else {
        box->setCheckState(value == 0   ? Qt::Unchecked
                           : value == 1 ? Qt::Checked
                                        : Qt::PartiallyChecked);
    }
}

void DdxText(QWidget* dialog, int id, QString& value, bool save) {
    if (save) {
        value = GetDlgItemText(dialog, id);
    } else {
        SetDlgItemText(dialog, id, value);
    }
}

// Integer exchange: a text that is not a 32-bit integer leaves the member as it is.
void DdxText(QWidget* dialog, int id, std::int32_t& value, bool save) {
    if (save) {
        bool ok = false;
        const int parsed = GetDlgItemText(dialog, id).trimmed().toInt(&ok);
        if (ok) value = parsed;
    } else {
        SetDlgItemText(dialog, id, QString::number(value));
    }
}

}  // namespace

CFolderWnd::CFolderWnd(QWidget* parent) : QDialog(parent) {
    if (const DialogTemplate* t = FindDialogTemplate(IDD_FOLDER)) BuildDialogFromTemplate(this, *t);
    if (auto* ok = qobject_cast<QAbstractButton*>(GetDlgItem(this, IDOK))) {
        connect(ok, &QAbstractButton::clicked, this, &CFolderWnd::OnOK);
    }
    if (auto* cancel = qobject_cast<QAbstractButton*>(GetDlgItem(this, IDCANCEL))) {
        connect(cancel, &QAbstractButton::clicked, this, &CFolderWnd::OnCancel);
    }
    if (auto* browse = qobject_cast<QAbstractButton*>(GetDlgItem(this, IDC_BROWSE))) {
        connect(browse, &QAbstractButton::clicked, this, &CFolderWnd::OnBrowse);
    }
}

CFolderWnd::~CFolderWnd() = default;

int CFolderWnd::DoModal() {
    return exec();
}

void CFolderWnd::SetFolderBrowser(FolderBrowser browser) {
    browser_ = std::move(browser);
}

QString CFolderWnd::BrowseWithFileDialog(QWidget* owner, const QString& title) {
    return QFileDialog::getExistingDirectory(
        owner, title, GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY), QFileDialog::ShowDirsOnly);
}

void CFolderWnd::DoDataExchange(bool saveAndValidate) {
    DdxCheck(this, IDC_AUTO_NUMBERING, m_bAutoNumbering, saveAndValidate);
    DdxText(this, IDC_PICTURE_PREFIX, m_strPicturePrefix, saveAndValidate);
    DdxText(this, IDC_PICTURE_NUMBER, m_nPictureNumber, saveAndValidate);
    DdxText(this, IDC_FOLDER, m_strFolder, saveAndValidate);
    DdxText(this, IDC_VIDEO_PREFIX, m_strVideoPrefix, saveAndValidate);
}

BOOL CFolderWnd::UpdateData(BOOL saveAndValidate) {
    DoDataExchange(saveAndValidate != FALSE);
    return TRUE;
}

BOOL CFolderWnd::OnInitDialog() {
    UpdateData(FALSE);
    for (const Relabel& r : kRelabels) {
        const QString text = LoadStringForLanguage(r.russianId, LanguageFlag);
        if (r.controlId == 0) {
            setWindowTitle(text);
        } else {
            SetDlgItemText(this, r.controlId, text);
        }
    }
    Rescan();
    UpdateData(FALSE);
    return TRUE;
}

void CFolderWnd::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CFolderWnd::Rescan() {
    m_nPictureNumber = ScanNextNumber(m_strFolder, m_strPicturePrefix, QStringLiteral("jpg"));
    m_nVideoNumber = ScanNextNumber(m_strFolder, m_strVideoPrefix, QStringLiteral("avi"));
}

void CFolderWnd::OnBrowse() {
    UpdateData(TRUE);
    const QString title = LoadStringId(kBrowseTitleId);
    const QString chosen = browser_ ? browser_(this, title) : BrowseWithFileDialog(this, title);
    if (chosen.isEmpty()) return;
    m_strFolder = WithTrailingSeparator(chosen);
    UpdateData(FALSE);
}

void CFolderWnd::OnOK() {
    UpdateData(TRUE);
    Rescan();
    UpdateData(FALSE);
    // The framework's OK: controls to members once more, then end.
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CFolderWnd::OnCancel() {
    UpdateData(TRUE);
    Rescan();
    UpdateData(FALSE);
    EndDialog(IDCANCEL);
}

void CFolderWnd::accept() {
    OnOK();
}

void CFolderWnd::reject() {
    OnCancel();
}

void CFolderWnd::EndDialog(int result) {
    QDialog::done(result);
}

void OnSetFolderProtocol(QWidget* owner, const QString& settingsFilePath,
                         const CFolderWnd::FolderBrowser& browser) {
    CFolderWnd dialog(owner);
    if (browser) dialog.SetFolderBrowser(browser);
    {
        std::lock_guard lock(SaveSettingsMutex);
        dialog.m_nPictureNumber = NextPictureNumber;
        dialog.m_bAutoNumbering = AutoNumbering;
        dialog.m_strPicturePrefix = PicturePrefix;
        dialog.m_strVideoPrefix = VideoPrefix;
        dialog.m_strFolder = SaveFolder;
        dialog.m_nVideoNumber = NextVideoNumber;
    }
    dialog.DoModal();  // OK and Cancel end alike
    QString folder;
    {
        std::lock_guard lock(SaveSettingsMutex);
        NextPictureNumber = dialog.m_nPictureNumber;
        PicturePrefix = dialog.m_strPicturePrefix;
        VideoPrefix = dialog.m_strVideoPrefix;
        SaveFolder = dialog.m_strFolder;
        NextVideoNumber = dialog.m_nVideoNumber;
        AutoNumbering = 1;
        folder = SaveFolder;
    }
    WriteSaveFolderSetting(settingsFilePath, folder);
}
