// The save-settings dialog through the Set Folder protocol: real files in a fresh folder,
// the dialog run modally and closed the way a user closes it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <mutex>

#include "DialogFit.h"
#include "platform/DialogBuilder.h"
#include "platform/IniFile.h"
#include "resources/ResourceIds.h"
#include "settings/CFolderWnd.h"
#include "settings/SettingsFile.h"
#include "settings/SharedState.h"

namespace {

enum class Close { Ok, Cancel, Escape, CloseBox, Enter };

const char* CloseName(Close c) {
    switch (c) {
        case Close::Ok:
            return "Ok";
        case Close::Cancel:
            return "Cancel";
        case Close::Escape:
            return "Escape";
        case Close::CloseBox:
            return "CloseBox";
        case Close::Enter:
            return "Enter";
    }
    return "";
}

void CloseDialog(CFolderWnd& dialog, Close how) {
    switch (how) {
        case Close::Ok:
            QTest::mouseClick(qobject_cast<QPushButton*>(GetDlgItem(&dialog, IDOK_BUTTON)),
                              Qt::LeftButton);
            break;
        case Close::Cancel:
            QTest::mouseClick(qobject_cast<QPushButton*>(GetDlgItem(&dialog, IDCANCEL_BUTTON)),
                              Qt::LeftButton);
            break;
        case Close::Escape:
            QTest::keyClick(&dialog, Qt::Key_Escape);
            break;
        case Close::CloseBox:
            dialog.close();
            break;
        case Close::Enter:
            QTest::keyClick(GetDlgItem(&dialog, IDC_PICTURE_PREFIX), Qt::Key_Return);
            break;
    }
}

void TypeInto(CFolderWnd& dialog, int id, const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(GetDlgItem(&dialog, id));
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

CFolderWnd* OpenFolderWnd() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<CFolderWnd*>(w); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

class FolderWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        folder_ = dir_.path() + u'/';
        settingsFile_ = dir_.path() + QStringLiteral("/config/lumivisor.ini");
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = folder_;
        PicturePrefix = QStringLiteral("NEWPIC");
        VideoPrefix = QStringLiteral("NEWAVI");
        NextPictureNumber = 0;
        NextVideoNumber = 0;
        AutoNumbering = 1;
        LanguageFlag = 0;
    }

    // A file, or a folder when the name ends in '/', under the test folder.
    void Make(const QString& relative) {
        const QString path = folder_ + relative;
        if (relative.endsWith(u'/')) {
            ASSERT_TRUE(QDir().mkpath(path));
            return;
        }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }

    QString StoredPath() const {
        return GetPrivateProfileString(QString::fromLatin1(kSettingsSection),
                                       QString::fromLatin1(kPathKey), QStringLiteral("<none>"),
                                       kMaxPathChars, settingsFile_);
    }

    // Runs the Set Folder protocol; `act` gets the dialog once it runs modally and must close it.
    void RunSetFolder(const std::function<void(CFolderWnd&)>& act,
                      const CFolderWnd::FolderBrowser& browser = {}) {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            CFolderWnd* dialog = OpenFolderWnd();
            if (dialog == nullptr) return;  // the protocol returned without a modal run
            acted = true;
            act(*dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the dialog is still open";
                dialog->done(IDCANCEL_BUTTON);
            }
        });
        OnSetFolderProtocol(nullptr, settingsFile_, browser);
        EXPECT_TRUE(acted) << "no modal dialog ran";
    }

    QTemporaryDir dir_;
    QString folder_;
    QString settingsFile_;
};

// --- Numbers after closing, by folder contents and prefixes ---------------------------------

struct ScanCase {
    const char* name;
    std::vector<const char*> entries;
    const char* picturePrefix;
    const char* videoPrefix;
    std::int32_t picture;
    std::int32_t video;
};

const ScanCase kScanCases[] = {
    {"Sequence",
     {"NEWPIC_0.jpg", "NEWPIC_1.jpg", "NEWPIC_2.jpg", "NEWPIC_3.jpg", "NEWPIC_4.jpg",
      "NEWPIC_5.jpg", "NEWPIC_6.jpg", "NEWPIC_7.jpg", "NEWPIC_8.jpg", "NEWPIC_9.jpg",
      "NEWPIC_10.jpg", "NEWPIC_11.jpg", "NEWPIC_12.jpg"},
     "NEWPIC",
     "NEWAVI",
     13,
     0},
    {"EmptyFolder", {}, "NEWPIC", "NEWAVI", 0, 0},
    {"TextAfterNumber", {"NEWPIC_5.old.jpg"}, "NEWPIC", "NEWAVI", 6, 0},
    {"PrefixWithUnderscore", {"CASE_7_3.jpg", "CASE_7_3.avi"}, "CASE_7", "CASE_7", 4, 4},
    {"EmptyPrefix", {"_3.jpg", "_8.avi", "NEWPIC_40.jpg"}, "", "", 4, 9},
};

class FolderScanTest : public FolderWndTest,
                       public ::testing::WithParamInterface<std::tuple<ScanCase, Close>> {};

TEST_P(FolderScanTest, NumbersContinueAfterTheFilesPresent) {
    const auto& [c, close] = GetParam();
    for (const char* entry : c.entries) Make(QString::fromUtf8(entry));
    PicturePrefix = QString::fromUtf8(c.picturePrefix);
    VideoPrefix = QString::fromUtf8(c.videoPrefix);
    NextPictureNumber = 77;
    NextVideoNumber = 88;

    RunSetFolder([&](CFolderWnd& dialog) { CloseDialog(dialog, close); });

    EXPECT_EQ(NextPictureNumber, c.picture);
    EXPECT_EQ(NextVideoNumber, c.video);
    EXPECT_EQ(PicturePrefix, QString::fromUtf8(c.picturePrefix));
    EXPECT_EQ(SaveFolder, folder_);
    EXPECT_EQ(StoredPath(), folder_);
}

INSTANTIATE_TEST_SUITE_P(Folders, FolderScanTest,
                         ::testing::Combine(::testing::ValuesIn(kScanCases),
                                            ::testing::Values(Close::Ok, Close::Cancel,
                                                              Close::Escape, Close::CloseBox,
                                                              Close::Enter)),
                         [](const auto& p) {
                             return std::string(std::get<0>(p.param).name) + "_" +
                                    CloseName(std::get<1>(p.param));
                         });

class FolderCloseTest : public FolderWndTest, public ::testing::WithParamInterface<Close> {};

TEST_P(FolderCloseTest, MissingFolderGivesZeroAndIsStillStored) {
    const QString missing = folder_ + QStringLiteral("gone/");
    SaveFolder = missing;
    NextPictureNumber = 7;
    NextVideoNumber = 3;
    RunSetFolder([&](CFolderWnd& dialog) { CloseDialog(dialog, GetParam()); });
    EXPECT_EQ(NextPictureNumber, 0);
    EXPECT_EQ(NextVideoNumber, 0);
    EXPECT_EQ(SaveFolder, missing);
    EXPECT_EQ(StoredPath(), missing);
}

TEST_P(FolderCloseTest, ClosingRescansFilesWrittenWhileOpen) {
    Make(QStringLiteral("NEWPIC_4.jpg"));
    RunSetFolder([&](CFolderWnd& dialog) {
        Make(QStringLiteral("NEWPIC_20.jpg"));
        Make(QStringLiteral("NEWAVI_6.avi"));
        CloseDialog(dialog, GetParam());
    });
    EXPECT_EQ(NextPictureNumber, 21);
    EXPECT_EQ(NextVideoNumber, 7);
}

TEST_P(FolderCloseTest, EditedPrefixesAreTakenOverAndPathWritten) {
    for (int i = 0; i < 5; ++i) Make(QStringLiteral("NEWPIC_%1.jpg").arg(i));
    Make(QStringLiteral("VID_4.avi"));
    NextPictureNumber = 5;
    AutoNumbering = 0;
    RunSetFolder([&](CFolderWnd& dialog) {
        EXPECT_EQ(GetDlgItemText(&dialog, IDC_PICTURE_PREFIX), QStringLiteral("NEWPIC"));
        TypeInto(dialog, IDC_PICTURE_PREFIX, QStringLiteral("SCOPE"));
        TypeInto(dialog, IDC_VIDEO_PREFIX, QStringLiteral("VID"));
        CloseDialog(dialog, GetParam());
    });
    EXPECT_EQ(PicturePrefix, QStringLiteral("SCOPE"));
    EXPECT_EQ(NextPictureNumber, 0);  // no SCOPE_ pictures: numbering restarts
    EXPECT_EQ(VideoPrefix, QStringLiteral("VID"));
    EXPECT_EQ(NextVideoNumber, 5);
    EXPECT_EQ(AutoNumbering, 1);
    EXPECT_EQ(StoredPath(), folder_);
}

INSTANTIATE_TEST_SUITE_P(Closes, FolderCloseTest,
                         ::testing::Values(Close::Ok, Close::Cancel, Close::Escape, Close::CloseBox,
                                           Close::Enter),
                         [](const auto& p) { return std::string(CloseName(p.param)); });

// --- Browse ---------------------------------------------------------------------------------

struct BrowseCase {
    const char* name;
    const char* chosen;    // relative to the test folder; "<root>" = "/", "" = cancelled
    const char* expected;  // likewise; "<start>" = the folder before browsing
};

const BrowseCase kBrowseCases[] = {
    {"NoSeparator", "pics", "pics/"},
    {"WithSeparator", "pics/", "pics/"},
    {"Root", "<root>", "<root>"},
    {"Cancelled", "", "<start>"},
};

class FolderBrowseTest : public FolderWndTest,
                         public ::testing::WithParamInterface<std::tuple<BrowseCase, int>> {
protected:
    QString Resolve(const char* text) const {
        const QString t = QString::fromUtf8(text);
        if (t == u"<root>") return QStringLiteral("/");
        if (t == u"<start>") return folder_;
        return t.isEmpty() ? QString() : folder_ + t;
    }
};

TEST_P(FolderBrowseTest, ChosenFolderGetsOneSeparatorAndTypedPrefixSurvives) {
    const auto& [c, language] = GetParam();
    LanguageFlag = language;
    Make(QStringLiteral("pics/"));
    Make(QStringLiteral("pics/SCOPE_6.jpg"));
    QString title;
    const auto browser = [&](QWidget* owner, const QString& t) {
        EXPECT_NE(owner, nullptr);
        title = t;
        return Resolve(c.chosen);
    };
    QString shownFolder;
    RunSetFolder(
        [&](CFolderWnd& dialog) {
            TypeInto(dialog, IDC_PICTURE_PREFIX, QStringLiteral("SCOPE"));
            QTest::mouseClick(qobject_cast<QPushButton*>(GetDlgItem(&dialog, IDC_BROWSE)),
                              Qt::LeftButton);
            EXPECT_EQ(GetDlgItemText(&dialog, IDC_PICTURE_PREFIX), QStringLiteral("SCOPE"));
            shownFolder = GetDlgItemText(&dialog, IDC_FOLDER);
            CloseDialog(dialog, Close::Ok);
        },
        browser);
    const QString expected = Resolve(c.expected);
    EXPECT_EQ(title, QStringLiteral("По умолчанию"));  // in both languages
    EXPECT_EQ(shownFolder, expected);
    EXPECT_EQ(SaveFolder, expected);
    EXPECT_EQ(StoredPath(), expected);
    EXPECT_EQ(PicturePrefix, QStringLiteral("SCOPE"));
    EXPECT_EQ(NextPictureNumber, expected == folder_ + QStringLiteral("pics/") ? 7 : 0);
}

INSTANTIATE_TEST_SUITE_P(Choices, FolderBrowseTest,
                         ::testing::Combine(::testing::ValuesIn(kBrowseCases),
                                            ::testing::Values(0, 1)),
                         [](const auto& p) {
                             return std::string(std::get<0>(p.param).name) +
                                    (std::get<1>(p.param) ? "_Russian" : "_English");
                         });

// --- Controls and texts ---------------------------------------------------------------------

TEST_F(FolderWndTest, HiddenControlsStayHidden) {
    const int hiddenIds[] = {IDC_AUTO_NUMBERING, IDC_PICTURE_NUMBER, IDC_FORMAT_BMP,
                             IDC_FORMAT_JPG,     IDC_FORMAT_PNG,     IDC_FORMAT_TIF};
    const int shownIds[] = {IDOK_BUTTON,        IDCANCEL_BUTTON,          IDC_FOLDER_LABEL,
                            IDC_FOLDER,         IDC_PICTURE_PREFIX_LABEL, IDC_BROWSE,
                            IDC_PICTURE_PREFIX, IDC_VIDEO_PREFIX_LABEL,   IDC_VIDEO_PREFIX};
    const auto check = [&](CFolderWnd& dialog, const char* when) {
        SCOPED_TRACE(when);
        for (int id : hiddenIds) {
            ASSERT_NE(GetDlgItem(&dialog, id), nullptr) << id;
            EXPECT_FALSE(GetDlgItem(&dialog, id)->isVisible()) << id;
        }
        for (int id : shownIds) EXPECT_TRUE(GetDlgItem(&dialog, id)->isVisible()) << id;
        int hiddenLabels = 0;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            const QString text = label->text();
            if (text == u"форма файла" || text == u"В номер") {
                EXPECT_FALSE(label->isVisible()) << text.toStdString();
                ++hiddenLabels;
            }
        }
        EXPECT_EQ(hiddenLabels, 2);
    };
    RunSetFolder(
        [&](CFolderWnd& dialog) {
            check(dialog, "opened");
            auto* folderEdit = qobject_cast<QLineEdit*>(GetDlgItem(&dialog, IDC_FOLDER));
            ASSERT_NE(folderEdit, nullptr);
            EXPECT_TRUE(folderEdit->isReadOnly());
            QTest::mouseClick(qobject_cast<QPushButton*>(GetDlgItem(&dialog, IDC_BROWSE)),
                              Qt::LeftButton);
            check(dialog, "after Browse");
            CloseDialog(dialog, Close::Cancel);
        },
        [&](QWidget*, const QString&) { return folder_; });
}

struct LanguageCase {
    int flag;
    std::vector<const char*> texts;  // caption, 1, 2, 1014, 1006, 1015, 1016
};

class FolderLanguageTest : public FolderWndTest,
                           public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(FolderLanguageTest, CaptionAndLabelsFollowTheLanguage) {
    LanguageFlag = GetParam().flag;
    const int ids[] = {IDOK_BUTTON, IDCANCEL_BUTTON,          IDC_FOLDER_LABEL,
                       IDC_BROWSE,  IDC_PICTURE_PREFIX_LABEL, IDC_VIDEO_PREFIX_LABEL};
    CFolderWnd dialog;
    dialog.show();
    const auto& texts = GetParam().texts;
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(texts[0]));
    for (size_t i = 0; i < std::size(ids); ++i) {
        EXPECT_EQ(GetDlgItemText(&dialog, ids[i]), QString::fromUtf8(texts[i + 1])) << ids[i];
    }
    const QStringList clipped = ClippedTexts(&dialog);
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join(u" | ").toStdString();
    dialog.OnCancel();
}

INSTANTIATE_TEST_SUITE_P(
    Languages, FolderLanguageTest,
    ::testing::Values(LanguageCase{0,
                                   {"Default Option", "Ok", "Cancel", "Folder", "Brower",
                                    "Default Pic Name", "Default AVI Name"}},
                      LanguageCase{1,
                                   {"По умолчанию", "Ok", "Отмена", "Папка", "Обзор",
                                    "Формат названия фото", "Формат названия видео"}},
                      LanguageCase{5,
                                   {"По умолчанию", "Ok", "Отмена", "Папка", "Обзор",
                                    "Формат названия фото", "Формат названия видео"}}),
    [](const auto& p) { return "Flag" + std::to_string(p.param.flag); });

}  // namespace
