#include "settings/CAboutDlg.h"

#include <QPixmap>

#include "platform/widgets/DialogBuilder.h"
#include "platform/widgets/LinkControl.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "resources/Templates.h"
#include "settings/SharedState.h"

namespace {

// Texts set at initialisation: control id (0 = the caption) and its Russian string id.
struct AboutText {
    int controlId;
    int russianId;
};
constexpr AboutText kStaticTexts[] = {
    {0, 80},
    {IDC_ABOUT_VERSION, 82},
    {IDC_ABOUT_COPYRIGHT, 84},
    {IDC_ABOUT_PHONE1, 86},
    {IDC_ABOUT_PHONE2, 88},
    {IDC_ABOUT_PHONE3, 90},
    {IDC_ABOUT_BLANK, 92},
};
constexpr int kMailTextId = 94;
constexpr int kWebTextId = 96;

QPixmap IconPixmap(int iconId, QSize size) {
    return QPixmap::fromImage(LoadIconImage(iconId, size.width()));
}

// The link shows the text and opens it; an empty text hides the link.
void SetLink(LinkControl* link, const QString& text) {
    if (link == nullptr) return;
    link->SetWindowText(text);
    link->SetURL(text);
    if (text.isEmpty()) link->hide();
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent, StringSource strings)
    : QDialog(parent), strings_(std::move(strings)) {
    if (const DialogTemplate* t = FindDialogTemplate(IDD_ABOUTBOX)) {
        BuildDialogFromTemplate(this, *t, nullptr, IconPixmap);
    }
    DoDataExchange();
}

CAboutDlg::~CAboutDlg() = default;

int CAboutDlg::DoModal() {
    return exec();
}

void CAboutDlg::DoDataExchange() {
    m_linkMail = qobject_cast<LinkControl*>(GetDlgItem(this, IDC_ABOUT_MAIL));
    m_linkWeb = qobject_cast<LinkControl*>(GetDlgItem(this, IDC_ABOUT_WEB));
}

QString CAboutDlg::Text(int russianId) const {
    const int id = LanguageFlag != 0 ? russianId : russianId + 1;
    return strings_ ? strings_(id) : LoadStringId(id);
}

BOOL CAboutDlg::OnInitDialog() {
    for (const AboutText& t : kStaticTexts) {
        if (t.controlId == 0) {
            setWindowTitle(Text(t.russianId));
        } else {
            SetDlgItemText(this, t.controlId, Text(t.russianId));
        }
    }
    SetLink(m_linkMail, Text(kMailTextId));
    SetLink(m_linkWeb, Text(kWebTextId));
    return TRUE;
}

void CAboutDlg::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void ShowAboutDialog(QWidget* owner) {
    CAboutDlg dialog(owner);
    dialog.DoModal();
}
