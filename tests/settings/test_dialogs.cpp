// The About dialog and the save-settings dialog, run modally and closed as a user does.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "TestSupport.h"
#include "platform/IniFile.h"
#include "platform/widgets/DialogBuilder.h"
#include "platform/widgets/LinkControl.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "settings/CAboutDlg.h"
#include "settings/CFolderWnd.h"
#include "settings/SettingsFile.h"
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

// "id: text" of every visible control whose text does not fit its rectangle.
QStringList ClippedTexts(const QWidget* dialog) {
    QStringList clipped;
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        const QFontMetrics metrics(w->font());
        const QRect area = w->contentsRect();
        QString text;
        bool fits = true;
        if (auto* link = qobject_cast<LinkControl*>(w)) {
            text = link->GetWindowText();
            fits = metrics.horizontalAdvance(text) <= area.width();
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
            const QRect needed = metrics.boundingRect(QRect(0, 0, area.width(), 100000),
                                                      Qt::TextWordWrap | Qt::AlignLeft, text);
            fits = needed.width() <= area.width() && needed.height() <= area.height();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
            fits = metrics.horizontalAdvance(text) + 8 <= button->width();
        }
        if (!fits && w->isVisibleTo(dialog))
            clipped << QString("%1: %2").arg(GetDlgCtrlID(w)).arg(text);
    }
    return clipped;
}

// Runs act on the modal dialog of type T that shows up while run() runs; act must close it.
template <typename T>
void WhileModal(const std::function<void(T&)>& act, const std::function<void()>& run) {
    bool acted = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        acted = true;
        act(*dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog is still open";
            dialog->done(0);
        }
    });
    run();
    EXPECT_TRUE(acted) << "no modal dialog ran";
}

// An empty text hides its link, in either language.
TEST(AboutDialog, AnEmptyTextHidesItsLink) {
    for (const int flag : {0, 1}) {
        for (const int emptied : {94, 95, 96, 97}) {
            SCOPED_TRACE(testing::Message() << flag << " " << emptied);
            LanguageFlag = flag;
            CAboutDlg dialog(nullptr, [emptied](int id) {
                return id == emptied ? QString() : LoadStringId(id);
            });
            dialog.show();
            EXPECT_EQ(dialog.m_linkMail->isVisible(), emptied != 94 + !flag);
            EXPECT_EQ(dialog.m_linkWeb->isVisible(), emptied != 96 + !flag);
        }
    }
}

// Runs modally over its owner, opens its links with the desktop's handler, ends on Escape.
TEST(AboutDialog, RunsModallyOpensItsLinksAndEndsWithEscape) {
    UrlRecorder recorder;
    for (const char* scheme : {"https", "mailto"})
        QDesktopServices::setUrlHandler(scheme, &recorder, "Handle");
    LanguageFlag = 0;
    QWidget owner;
    WhileModal<CAboutDlg>(
        [&](CAboutDlg& dialog) {
            EXPECT_EQ(dialog.parentWidget(), &owner);
            for (LinkControl* link : {dialog.m_linkMail, dialog.m_linkWeb})
                QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(4, link->height() / 2));
            QTest::keyClick(&dialog, Qt::Key_Escape);
        },
        [&] { ShowAboutDialog(&owner); });
    for (const char* scheme : {"https", "mailto"}) QDesktopServices::unsetUrlHandler(scheme);
    EXPECT_EQ(recorder.urls, QList<QUrl>({QUrl("mailto:" + LoadStringId(95)),
                                          QUrl("https://" + LoadStringId(97))}));
}

// Link targets get a scheme (mailto: or https://); texts show as given.
TEST(LinkControl, TargetsAndTexts) {
    const std::pair<const char*, const char*> targets[] = {
        {"  www.example.org/a  ", "https://www.example.org/a"},
        {"name@example.org", "mailto:name@example.org"},
        {"https://user@example.org/", "https://user@example.org/"},
        {"tel:+78125550147", "tel:+78125550147"},
        {"   ", ""}};
    for (const auto& [target, url] : targets) {
        const QUrl result = LinkControl::ToUrl(target);
        EXPECT_EQ(result.isValid() ? result.toString() : QString(), url) << target;
    }
    LinkControl link;
    link.SetWindowText("<b>a&b</b>@example.org");
    EXPECT_EQ(link.GetWindowText(), "<b>a&b</b>@example.org");
    EXPECT_TRUE(link.text().contains("&lt;b&gt;a&amp;b&lt;/b&gt;"));
}

class FolderWnd : public ::testing::Test {
protected:
    void SetUp() override {
        folder = dir.path() + "/";
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = folder;
        PicturePrefix = "NEWPIC";
        VideoPrefix = "NEWAVI";
        NextPictureNumber = NextVideoNumber = 0;
        AutoNumbering = 1;
        LanguageFlag = 0;
    }
    // A file, or a folder when the name ends in '/', in the test folder.
    void Make(const QString& name) {
        ASSERT_TRUE(name.endsWith('/') ? QDir().mkpath(folder + name)
                                       : lumitest::WriteFile(folder + name));
    }
    QString StoredPath() const {
        return GetPrivateProfileString(kSettingsSection, kPathKey, "<none>", kMaxPathChars,
                                       settingsFile);
    }
    // The Set Folder protocol; act gets the dialog once it runs modally and must close it.
    void RunSetFolder(const std::function<void(CFolderWnd&)>& act,
                      const CFolderWnd::FolderBrowser& browser = {}) {
        WhileModal<CFolderWnd>(act, [&] { OnSetFolderProtocol(nullptr, settingsFile, browser); });
    }
    static void TypeInto(CFolderWnd& dialog, int id, const QString& text) {
        auto* edit = qobject_cast<QLineEdit*>(GetDlgItem(&dialog, id));
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    static void Click(CFolderWnd& dialog, int id) {
        QTest::mouseClick(qobject_cast<QPushButton*>(GetDlgItem(&dialog, id)), Qt::LeftButton);
    }
    QTemporaryDir dir;
    QString folder;
    QString settingsFile = dir.path() + "/config/lumivisor.ini";
};

// Every way of closing takes the typed prefixes, rescans the numbers and stores the folder.
TEST_F(FolderWnd, EveryWayOfClosingTakesThePrefixesAndRescans) {
    const std::pair<const char*, std::function<void(CFolderWnd&)>> closes[] = {
        {"Ok", [](CFolderWnd& d) { Click(d, IDOK_BUTTON); }},
        {"Cancel", [](CFolderWnd& d) { Click(d, IDCANCEL_BUTTON); }},
        {"Escape", [](CFolderWnd& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"Enter", [](CFolderWnd& d) {
             QTest::keyClick(GetDlgItem(&d, IDC_PICTURE_PREFIX), Qt::Key_Return);
         }}};
    for (const auto& [name, close] : closes) {
        SCOPED_TRACE(name);
        SetUp();
        SaveFolder = folder += name + QString("/");
        for (const char* file : {"", "NEWPIC_4.jpg", "SCOPE_2.jpg", "VID_4.avi", "NEWAVI_9.avi"})
            Make(*file ? file : "/");
        NextPictureNumber = 77;
        AutoNumbering = 0;
        RunSetFolder([&](CFolderWnd& dialog) {
            EXPECT_EQ(GetDlgItemText(&dialog, IDC_PICTURE_PREFIX), "NEWPIC");
            TypeInto(dialog, IDC_PICTURE_PREFIX, "SCOPE");
            TypeInto(dialog, IDC_VIDEO_PREFIX, "VID");
            Make("SCOPE_20.jpg");
            close(dialog);
        });
        EXPECT_EQ(PicturePrefix, "SCOPE");
        EXPECT_EQ(NextPictureNumber, 21);
        EXPECT_EQ(VideoPrefix, "VID");
        EXPECT_EQ(NextVideoNumber, 5);
        EXPECT_EQ(AutoNumbering, 1);
        EXPECT_TRUE(SaveFolder == folder && StoredPath() == folder);
    }
}

// The browsed folder gets one separator and the typed prefix survives browsing.
TEST_F(FolderWnd, BrowsedFolderGetsOneSeparatorAndTypedPrefixSurvives) {
    Make("pics/");
    Make("pics/SCOPE_6.jpg");
    const std::pair<QString, QString> choices[] = {{folder + "pics", folder + "pics/"},
                                                   {"", folder + "gone/"}};
    for (const auto& [chosen, expected] : choices) {
        SCOPED_TRACE(chosen.toStdString());
        SaveFolder = chosen.isEmpty() ? folder + "gone/" : folder;
        NextPictureNumber = 7;
        NextVideoNumber = 3;
        QString shown;
        RunSetFolder(
            [&](CFolderWnd& dialog) {
                TypeInto(dialog, IDC_PICTURE_PREFIX, "SCOPE");
                Click(dialog, IDC_BROWSE);
                EXPECT_EQ(GetDlgItemText(&dialog, IDC_PICTURE_PREFIX), "SCOPE");
                shown = GetDlgItemText(&dialog, IDC_FOLDER);
                Click(dialog, IDOK_BUTTON);
            },
            [&](QWidget* owner, const QString&) {
                EXPECT_NE(owner, nullptr);
                return chosen;
            });
        EXPECT_EQ(shown, expected);
        EXPECT_TRUE(SaveFolder == expected && StoredPath() == expected);
        EXPECT_EQ(PicturePrefix, "SCOPE");
        EXPECT_EQ(NextPictureNumber, expected == folder + "pics/" ? 7 : 0);
        EXPECT_EQ(NextVideoNumber, 0);
    }
}

// Every text of both dialogs fits in each language.
TEST_F(FolderWnd, TextsFitInEachLanguage) {
    for (const int flag : {0, 1}) {
        LanguageFlag = flag;
        CAboutDlg about;
        CFolderWnd folderWnd;
        for (QDialog* dialog : {static_cast<QDialog*>(&about), static_cast<QDialog*>(&folderWnd)}) {
            dialog->show();
            const QStringList clipped = ClippedTexts(dialog);
            EXPECT_TRUE(clipped.isEmpty()) << clipped.join(u" | ").toStdString();
        }
        folderWnd.OnCancel();
    }
}

}  // namespace

#include "test_dialogs.moc"
