#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "E2eSupport.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/FrameState.h"
#include "platform/DialogBuilder.h"
#include "platform/Menu.h"
#include "resources/ResourceIds.h"
#include "settings/CAboutDlg.h"
#include "settings/CFolderWnd.h"
#include "settings/SharedState.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
        LanguageFlag = 0;
        StillRequested = 0;
        PreviewFrozen = 0;
        FrameCallback.CrosshairOn = false;
        SaveFolder.clear();
        NextPictureNumber = NextVideoNumber = 0;
    }

    QString SettingsFile() const { return home.path() + "/.config/lumivisor.ini"; }

    void WriteSettings(const QByteArray& text) {
        ASSERT_TRUE(QDir().mkpath(home.path() + "/.config"));
        QFile f(SettingsFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    QString ReadSettings() const {
        QFile f(SettingsFile());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    static QStringList BarTexts(const CLumivisorDlg& dlg) {
        QStringList texts;
        for (QAction* a : dlg.MenuBar()->actions()) texts << a->text();
        return texts;
    }

    static bool Enabled(const CLumivisorDlg& dlg, UINT id) {
        return FindMenuCommand(dlg.MenuBar(), id)->isEnabled();
    }

    static QString Text(const CLumivisorDlg& dlg, UINT id) {
        return FindMenuCommand(dlg.MenuBar(), id)->text();
    }

    QTemporaryDir home;
};

constexpr UINT kOperation[] = {ID_SNAP,       ID_START_RECORDER, ID_STOP_RECORDER,
                               ID_CROSSHAIRS, ID_FILTER,         ID_RESOLUTION};

TEST_F(MainWindowTest, FreshStartIsEnglishWithEveryOperationGreyedAndTheNoDeviceSize) {
    QFile picture(home.path() + "/NEWPIC_4.jpg");
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    picture.close();

    CLumivisorDlg dlg;
    dlg.Create();
    EXPECT_EQ(dlg.windowTitle(), "Orvida endoscopes &microscopes software");
    EXPECT_EQ(BarTexts(dlg), (QStringList{"File", "Devices", "Operation", "Language", "About"}));
    EXPECT_EQ(e2e::MenuIds(GetSubMenu(dlg.MenuBar(), 0)), (QList<UINT>{ID_SET_FOLDER, ID_EXIT}));
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(dlg.MenuBar(), 1)), 0);  // placeholder removed
    EXPECT_EQ(e2e::MenuIds(GetSubMenu(dlg.MenuBar(), 2)),
              (QList<UINT>{ID_SNAP, ID_START_RECORDER, ID_STOP_RECORDER, ID_CROSSHAIRS, ID_FILTER,
                           ID_RESOLUTION}));
    EXPECT_EQ(e2e::MenuIds(GetSubMenu(dlg.MenuBar(), 3)), (QList<UINT>{ID_RUSSIAN, ID_ENGLISH}));
    EXPECT_EQ(GetMenuItemID(GetMenuItemAt(dlg.MenuBar(), 4)), ID_ABOUT);
    EXPECT_EQ(Text(dlg, ID_START_RECORDER), "Start recoder");
    for (UINT id : kOperation) EXPECT_FALSE(Enabled(dlg, id)) << id;
    EXPECT_TRUE(Enabled(dlg, ID_SET_FOLDER));

    // 653 x 538 outer (no window manager here: the frame is the window), centred.
    EXPECT_EQ(dlg.FittedOuterSize(), QSize(653, 538));
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(dlg.frameGeometry().center(), area.center());

    EXPECT_EQ(MainWindowHandle.load(), &dlg);
    EXPECT_EQ(dlg.RecIndicatorWidth, 41);
    EXPECT_EQ(dlg.RecIndicatorHeight, 41);
    // No desktop folder: pictures go to the home folder; numbering continues there.
    EXPECT_EQ(SaveFolder, home.path() + "/");
    EXPECT_EQ(NextPictureNumber, 5);
    EXPECT_EQ(NextVideoNumber, 0);
    EXPECT_FALSE(QFile::exists(SettingsFile()));  // start-up writes nothing
}

TEST_F(MainWindowTest, StoredRussianGivesRussianCaptionAndMenus) {
    WriteSettings("[lumivisor]\nlan=1\n");
    CLumivisorDlg dlg;
    dlg.Create();
    EXPECT_EQ(LanguageFlag, 1);
    EXPECT_EQ(dlg.windowTitle(), "Программное обеспечение для эндоскопов и микроскопов Orvida");
    EXPECT_EQ(BarTexts(dlg),
              (QStringList{"Файл", "Устройство", "Операции", "Язык", "О программе"}));
    EXPECT_EQ(Text(dlg, ID_SNAP), "Запись фото");
    EXPECT_EQ(Text(dlg, ID_ENGLISH), "Английский");
    // The About entry of the window's own menu stays English.
    QAction* about = FindMenuCommand(dlg.SystemMenu(), IDM_ABOUTBOX);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), "Orvida endoscopes &microscopes software");
}

TEST_F(MainWindowTest, AnyNonZeroLanIsRussianAndTextIsEnglish) {
    WriteSettings("[lumivisor]\nlan=5\n");
    {
        CLumivisorDlg dlg;
        dlg.Create();
        EXPECT_EQ(BarTexts(dlg).first(), "Файл");
    }
    WriteSettings("[lumivisor]\nlan=yes\n");
    CLumivisorDlg dlg;
    dlg.Create();
    EXPECT_EQ(LanguageFlag, 0);
    EXPECT_EQ(BarTexts(dlg).first(), "File");
}

TEST_F(MainWindowTest, LanguageCommandsRelabelByIdAndKeepStatesAndCameras) {
    WriteSettings("; kept\n[lumivisor]\nlan=1\npath=/tmp/pics/\n");
    CLumivisorDlg dlg;
    dlg.DeviceList->addItem("Camera One");
    dlg.DeviceList->addItem("Camera Two");
    dlg.Create();
    dlg.IsRecording = true;
    dlg.UpdateOperationMenu();

    FindMenuCommand(dlg.MenuBar(), ID_ENGLISH)->trigger();
    EXPECT_EQ(LanguageFlag, 0);
    EXPECT_EQ(dlg.windowTitle(), "Orvida endoscopes &microscopes software");
    EXPECT_EQ(BarTexts(dlg), (QStringList{"File", "Devices", "Operation", "Language", "About"}));
    EXPECT_EQ(Text(dlg, ID_SET_FOLDER), "Set Folder");
    EXPECT_EQ(Text(dlg, ID_RESOLUTION), "Resolution");
    EXPECT_EQ(Text(dlg, ID_DEVICE_FIRST), "Camera One");
    EXPECT_EQ(Text(dlg, ID_DEVICE_FIRST + 1), "Camera Two");
    EXPECT_TRUE(FindMenuCommand(dlg.MenuBar(), ID_DEVICE_FIRST + 1)->isChecked());
    EXPECT_TRUE(Enabled(dlg, ID_STOP_RECORDER));
    for (UINT id : {ID_SNAP, ID_START_RECORDER, ID_CROSSHAIRS, ID_FILTER, ID_RESOLUTION}) {
        EXPECT_FALSE(Enabled(dlg, id)) << id;
    }
    EXPECT_EQ(ReadSettings(), "; kept\n[lumivisor]\nlan=0\npath=/tmp/pics/\n");

    FindMenuCommand(dlg.MenuBar(), ID_RUSSIAN)->trigger();
    EXPECT_EQ(LanguageFlag, 1);
    EXPECT_EQ(Text(dlg, ID_STOP_RECORDER), "Стоп видео");
    EXPECT_EQ(Text(dlg, ID_DEVICE_FIRST), "Camera One");
    EXPECT_EQ(ReadSettings(), "; kept\n[lumivisor]\nlan=1\npath=/tmp/pics/\n");
}

TEST_F(MainWindowTest, DeviceMenuListsTheCamerasAndSelectsTheLast) {
    // Names without cameras behind them: every open fails, so the chosen entry keeps its
    // check mark while SelectedDevice goes back to -1 and a new choice tries again.
    CLumivisorDlg dlg;
    for (const char* name : {"A", "B", "C"}) dlg.DeviceList->addItem(name);
    dlg.Create();
    QMenu* devices = GetSubMenu(dlg.MenuBar(), 1);
    EXPECT_EQ(e2e::MenuIds(devices), (QList<UINT>{40056, 40057, 40058}));
    EXPECT_EQ(dlg.SelectedDevice, -1);
    EXPECT_TRUE(FindMenuCommand(dlg.MenuBar(), 40058)->isChecked());
    FindMenuCommand(dlg.MenuBar(), 40056)->trigger();
    EXPECT_EQ(dlg.SelectedDevice, -1);
    EXPECT_TRUE(FindMenuCommand(dlg.MenuBar(), 40056)->isChecked());
    EXPECT_FALSE(FindMenuCommand(dlg.MenuBar(), 40058)->isChecked());
    for (UINT id : kOperation) EXPECT_FALSE(Enabled(dlg, id)) << id;
}

TEST_F(MainWindowTest, AcceleratorsFollowTheGreyedStateAndSpaceAlwaysActs) {
    CLumivisorDlg dlg;
    dlg.Create();
    // No device: Snap and Crosshairs are greyed.
    QTest::keyClick(&dlg, Qt::Key_Return);
    QTest::keyClick(&dlg, Qt::Key_5, Qt::KeypadModifier);
    EXPECT_EQ(StillRequested.load(), 0);
    EXPECT_FALSE(dlg.CrosshairShown);
    QTest::keyClick(&dlg, Qt::Key_Space);
    EXPECT_EQ(PreviewFrozen.load(), 1);
    QTest::keyClick(&dlg, Qt::Key_Space);
    EXPECT_EQ(PreviewFrozen.load(), 0);

    // Device open.
    dlg.UpdateOperationMenu();
    QTest::keyClick(&dlg, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(StillRequested.load(), 1);
    QTest::keyClick(&dlg, Qt::Key_5, Qt::KeypadModifier);
    EXPECT_TRUE(dlg.CrosshairShown);
    QTest::keyClick(&dlg, Qt::Key_5);  // the digit row is not keypad 5
    EXPECT_TRUE(dlg.CrosshairShown);

    // Recording: Snap and Crosshairs greyed again.
    StillRequested = 0;
    dlg.IsRecording = true;
    dlg.UpdateOperationMenu();
    QTest::keyClick(&dlg, Qt::Key_Return);
    QTest::keyClick(&dlg, Qt::Key_5, Qt::KeypadModifier);
    EXPECT_EQ(StillRequested.load(), 0);
    EXPECT_TRUE(dlg.CrosshairShown);
    QTest::keyClick(&dlg, Qt::Key_Space);
    EXPECT_EQ(PreviewFrozen.load(), 1);
}

TEST_F(MainWindowTest, EscEnterAndTabNeverCloseTheWindow) {
    CLumivisorDlg dlg;
    theApp.m_pMainWnd = &dlg;
    bool escapeClosed = true;
    QTimer::singleShot(0, &dlg, [&] {
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QTest::keyClick(&dlg, Qt::Key_Return);
        QTest::keyClick(&dlg, Qt::Key_Tab);
        escapeClosed = !dlg.isVisible();
        FindMenuCommand(dlg.MenuBar(), ID_EXIT)->trigger();  // Exit closes it
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dlg, [&] { dlg.done(99); });
    guard.start(10000);
    const int result = dlg.DoModal();
    theApp.m_pMainWnd = nullptr;
    EXPECT_FALSE(escapeClosed);
    EXPECT_NE(result, 99);  // closed by Exit, not by the guard
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(MainWindowTest, PictureControlFillsTheClientAreaWhenResized) {
    CLumivisorDlg dlg;
    dlg.Create();
    ASSERT_EQ(dlg.m_layout.items.size(), 1u);
    const LayoutItem& item = dlg.m_layout.items[0];
    EXPECT_EQ(item.id, IDC_PICTURE);
    EXPECT_FLOAT_EQ(item.left, 0.0f);
    EXPECT_FLOAT_EQ(item.right, 1.0f);
    EXPECT_FLOAT_EQ(item.top, 0.0f);
    EXPECT_FLOAT_EQ(item.bottom, 1.0f);
    QWidget* picture = GetDlgItem(&dlg, IDC_PICTURE);
    EXPECT_EQ(picture->geometry(), dlg.ClientArea()->rect());
    dlg.resize(901, 677);
    QCoreApplication::processEvents();
    EXPECT_EQ(picture->geometry(), dlg.ClientArea()->rect());
    EXPECT_EQ(dlg.ClientArea()->width(), 901);
}

TEST_F(MainWindowTest, VideoWiderThanTheScreenGetsTheScreenSizeAndStaysOnIt) {
    CLumivisorDlg dlg;
    dlg.Create();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize s = screen->geometry().size();
    dlg.VideoWidth = s.width() - 48;  // not less than width - 48: the screen case
    dlg.VideoHeight = 100;
    dlg.FitWindowToVideo();
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(s.width() + 10, s.height() + 30));
    EXPECT_EQ(dlg.frameGeometry().topLeft(), screen->availableGeometry().topLeft());

    dlg.VideoWidth = s.width() - 49;
    dlg.VideoHeight = 200;
    dlg.FitWindowToVideo();
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(s.width() - 49 + 13, 258));
    dlg.VideoWidth = -640;  // unknown size
    dlg.FitWindowToVideo();
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
}

TEST_F(MainWindowTest, StoredLongPathIsUsedWhole) {
    QString longPath = home.path();
    while (longPath.size() < 400) longPath += "/deeper-folder";
    WriteSettings("[lumivisor]\npath=" + longPath.toUtf8() + "\n");
    CLumivisorDlg dlg;
    dlg.Create();
    EXPECT_EQ(SaveFolder, longPath + "/");
}

}  // namespace

// The About entry of the window's own menu and the About command open the same dialog.
TEST_F(MainWindowTest, AboutEntryAndCommandOpenTheAboutDialog) {
    CLumivisorDlg dlg;
    dlg.Create();
    for (QAction* entry : {FindMenuCommand(dlg.SystemMenu(), IDM_ABOUTBOX),
                           FindMenuCommand(dlg.MenuBar(), ID_ABOUT)}) {
        ASSERT_NE(entry, nullptr);
        bool opened = false;
        QTimer::singleShot(0, [&] {
            if (auto* about = dynamic_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
                opened = true;
                about->reject();
            }
        });
        entry->trigger();
        EXPECT_TRUE(opened);
    }
}

namespace {

// The labels and the Cancel button of the modal dialog that open() runs, which is then
// closed.
QStringList TextsOfDialog(const std::function<void()>& open) {
    QStringList texts;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr) return;
        for (const QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
        if (auto* box = dialog->findChild<QDialogButtonBox*>())
            texts << box->button(QDialogButtonBox::Cancel)->text();
        dialog->close();
    });
    open();
    texts.removeAll(QString());
    return texts;
}

// Qt's own texts follow the interface language: the folder browser is Russian after a
// Russian start and switches with the language commands. (Qt's Russian catalogue keeps
// "OK", the only button of the program's message boxes.)
TEST_F(MainWindowTest, QtsOwnTextsFollowTheInterfaceLanguage) {
    WriteSettings("[lumivisor]\nlan=1\n");
    CLumivisorDlg dlg;
    dlg.Create();
    const auto browser = [&] { CFolderWnd::BrowseWithFileDialog(&dlg, QStringLiteral("t")); };
    const QStringList russian{"Перейти к:", "Каталог:", "Типы файлов:", "Отмена"};
    const QStringList english{"Look in:", "Directory:", "Files of type:", "Cancel"};
    EXPECT_EQ(TextsOfDialog(browser), russian);
    dlg.OnEnglish();
    EXPECT_EQ(TextsOfDialog(browser), english);
    dlg.OnRussian();
    EXPECT_EQ(TextsOfDialog(browser), russian);
}

}  // namespace
