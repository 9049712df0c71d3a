// The About dialog: texts by language, the two links (hidden when empty, opened with the
// desktop's handler), and the entry function the main window calls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QTest>
#include <QTimer>
#include <map>

#include "DialogFit.h"
#include "platform/DialogBuilder.h"
#include "platform/LinkControl.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "settings/CAboutDlg.h"
#include "settings/SharedState.h"

// Receives what the desktop would be asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void Handle(const QUrl& url) { urls.append(url); }
};

namespace {

// Control id -> Russian string id (the English one follows it).
const std::map<int, int> kTextIds = {
    {IDC_ABOUT_VERSION, 82}, {IDC_ABOUT_COPYRIGHT, 84}, {IDC_ABOUT_PHONE1, 86},
    {IDC_ABOUT_PHONE2, 88},  {IDC_ABOUT_PHONE3, 90},    {IDC_ABOUT_BLANK, 92},
    {IDC_ABOUT_MAIL, 94},    {IDC_ABOUT_WEB, 96},
};

class AboutLanguageTest : public ::testing::TestWithParam<int> {};

TEST_P(AboutLanguageTest, EveryTextComesFromThePairOfTheLanguage) {
    LanguageFlag = GetParam();
    const bool russian = GetParam() != 0;
    CAboutDlg dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(),
              russian ? QStringLiteral("О программе Orvida")
                      : QStringLiteral("About Orvida endoscopes &microscopes software"));
    EXPECT_EQ(GetDlgItemText(&dialog, IDC_ABOUT_VERSION),
              russian ? QStringLiteral("Версия:2017-1.01") : QStringLiteral("Version:2017-1.01"));
    for (const auto& [control, russianId] : kTextIds) {
        const QString expected = LoadStringId(russian ? russianId : russianId + 1);
        EXPECT_FALSE(expected.isEmpty()) << russianId;
        EXPECT_EQ(GetDlgItemText(&dialog, control), expected) << control;
    }
    ASSERT_NE(dialog.m_linkMail, nullptr);
    ASSERT_NE(dialog.m_linkWeb, nullptr);
    EXPECT_EQ(dialog.m_linkMail, GetDlgItem(&dialog, IDC_ABOUT_MAIL));
    EXPECT_TRUE(dialog.m_linkMail->isVisible());
    EXPECT_TRUE(dialog.m_linkWeb->isVisible());
    // The link targets are the texts themselves; the scheme is added only when opening.
    EXPECT_EQ(dialog.m_linkMail->GetURL(), dialog.m_linkMail->GetWindowText());
    EXPECT_EQ(dialog.m_linkMail->TargetUrl().scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(dialog.m_linkWeb->TargetUrl().scheme(), QStringLiteral("https"));
}

INSTANTIATE_TEST_SUITE_P(Flags, AboutLanguageTest, ::testing::Values(0, 1, 7));

// Every text, the maker's one-line label included, is shown whole.
TEST_P(AboutLanguageTest, EveryTextFitsItsControl) {
    LanguageFlag = GetParam();
    CAboutDlg dialog;
    dialog.show();
    const QStringList clipped = ClippedTexts(&dialog);
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join(u" | ").toStdString();
}

class AboutEmptyLinkTest : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(AboutEmptyLinkTest, EmptyTextHidesOnlyItsLinkInItsLanguage) {
    const auto [emptiedId, flag] = GetParam();
    LanguageFlag = flag;
    CAboutDlg dialog(nullptr, [emptiedId = emptiedId](int id) {
        return id == emptiedId ? QString() : LoadStringId(id);
    });
    dialog.show();
    const int shownMail = flag != 0 ? 94 : 95;
    const int shownWeb = flag != 0 ? 96 : 97;
    EXPECT_EQ(dialog.m_linkMail->isVisible(), emptiedId != shownMail);
    EXPECT_EQ(dialog.m_linkWeb->isVisible(), emptiedId != shownWeb);
    EXPECT_TRUE(GetDlgItem(&dialog, IDC_ABOUT_VERSION)->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Ids, AboutEmptyLinkTest,
                         ::testing::Combine(::testing::Values(94, 95, 96, 97),
                                            ::testing::Values(0, 1)));

TEST(AboutLinkTest, ClickOpensTheTargetWithTheDesktopHandler) {
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "Handle");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "Handle");
    LanguageFlag = 0;
    {
        CAboutDlg dialog;
        dialog.show();
        for (LinkControl* link : {dialog.m_linkMail, dialog.m_linkWeb}) {
            QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(4, link->height() / 2));
        }
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    ASSERT_EQ(recorder.urls.size(), 2);
    EXPECT_EQ(recorder.urls[0], QUrl(QStringLiteral("mailto:") + LoadStringId(95)));
    EXPECT_EQ(recorder.urls[1], QUrl(QStringLiteral("https://") + LoadStringId(97)));
}

struct UrlCase {
    const char* target;
    const char* url;  // "" = nothing to open
};

class LinkUrlTest : public ::testing::TestWithParam<UrlCase> {};

TEST_P(LinkUrlTest, SchemeIsAddedOnlyWhenMissing) {
    const QUrl url = LinkControl::ToUrl(QString::fromUtf8(GetParam().target));
    const QString expected = QString::fromUtf8(GetParam().url);
    if (expected.isEmpty()) {
        EXPECT_FALSE(url.isValid()) << url.toString().toStdString();
    } else {
        EXPECT_EQ(url.toString(), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, LinkUrlTest,
    ::testing::Values(UrlCase{"www.example.org", "https://www.example.org"},
                      UrlCase{"  www.example.org/a  ", "https://www.example.org/a"},
                      UrlCase{"example.org:8080/x", "https://example.org:8080/x"},
                      UrlCase{"name@example.org", "mailto:name@example.org"},
                      UrlCase{"http://example.org", "http://example.org"},
                      UrlCase{"https://user@example.org/", "https://user@example.org/"},
                      UrlCase{"FTP://example.org/f", "ftp://example.org/f"},
                      UrlCase{"MAILTO:name@example.org", "mailto:name@example.org"},
                      UrlCase{"tel:+78125550147", "tel:+78125550147"}, UrlCase{"", ""},
                      UrlCase{"   ", ""}));

TEST(LinkControlTest, TextShowsAsGivenAndEmptyTargetFallsBackToIt) {
    LinkControl link;
    link.SetWindowText(QStringLiteral("<b>a&b</b>@example.org"));
    EXPECT_EQ(link.GetWindowText(), QStringLiteral("<b>a&b</b>@example.org"));
    EXPECT_TRUE(link.text().contains(QStringLiteral("&lt;b&gt;a&amp;b&lt;/b&gt;")));
    link.SetWindowText(QStringLiteral("www.example.org"));
    EXPECT_EQ(link.TargetUrl(), QUrl(QStringLiteral("https://www.example.org")));
    link.SetURL(QStringLiteral("help@example.org"));
    EXPECT_EQ(link.TargetUrl(), QUrl(QStringLiteral("mailto:help@example.org")));
    EXPECT_EQ(link.GetWindowText(), QStringLiteral("www.example.org"));
}

TEST(AboutEntryTest, ShowAboutDialogRunsModallyOverItsOwnerAndEndsWithEscape) {
    LanguageFlag = 1;
    QWidget owner;
    CAboutDlg* seen = nullptr;
    QString title;
    QTimer::singleShot(0, [&] {
        seen = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        if (seen == nullptr) return;
        title = seen->windowTitle();
        EXPECT_EQ(seen->parentWidget(), &owner);
        QTest::keyClick(seen, Qt::Key_Escape);
    });
    ShowAboutDialog(&owner);
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(title, QStringLiteral("О программе Orvida"));
}

}  // namespace

#include "test_about_dlg.moc"
