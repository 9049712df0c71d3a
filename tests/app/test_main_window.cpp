// The main window without cameras: menus, caption and Qt's own texts in either language, the
// accelerators by the menu's state, keys that never close it, its size and place, About.
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "WindowSupport.h"
#include "platform/widgets/DialogBuilder.h"
#include "settings/CAboutDlg.h"
#include "settings/CFolderWnd.h"

using namespace e2e;

namespace {

const QString kEnglishTitle = "Orvida endoscopes &microscopes software";

class MainWindow : public WindowTest {
protected:
    QStringList BarTexts() const {
        QStringList texts;
        for (QAction* a : dlg.MenuBar()->actions()) texts << a->text();
        return texts;
    }
    // The labels and the Cancel button of the folder browser, which is then closed.
    QStringList BrowserTexts() {
        QStringList texts;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == nullptr) return;
            for (const QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
            if (auto* box = dialog->findChild<QDialogButtonBox*>())
                texts << box->button(QDialogButtonBox::Cancel)->text();
            dialog->close();
        });
        CFolderWnd::BrowseWithFileDialog(&dlg, QStringLiteral("t"));
        texts.removeAll(QString());
        return texts;
    }
};

TEST_F(MainWindow, FreshStartIsEnglishGreyedAtTheNoDeviceSizeAndWritesNothing) {
    QFile picture(session.home.path() + "/NEWPIC_4.jpg");
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    picture.close();
    dlg.Create();
    EXPECT_EQ(dlg.windowTitle(), kEnglishTitle);
    EXPECT_EQ(BarTexts(), (QStringList{"File", "Devices", "Operation", "Language", "About"}));
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(dlg.MenuBar(), 1)), 0);  // placeholder removed
    EXPECT_EQ(Operation(), kNoDevice);
    EXPECT_TRUE(Item(ID_SET_FOLDER)->isEnabled());
    // 653 x 538 outer (no window manager here: the frame is the window), centred.
    EXPECT_EQ(dlg.FittedOuterSize(), QSize(653, 538));
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    EXPECT_TRUE(Centred());
    // The picture control fills the client area, also when the window is resized.
    QWidget* area = GetDlgItem(&dlg, IDC_PICTURE);
    EXPECT_EQ(area->geometry(), dlg.ClientArea()->rect());
    dlg.resize(901, 677);
    QCoreApplication::processEvents();
    EXPECT_EQ(area->geometry(), dlg.ClientArea()->rect());
    EXPECT_EQ(dlg.ClientArea()->width(), 901);
    // No desktop folder: pictures go to the home folder; numbering continues there.
    EXPECT_EQ(SaveFolder, session.home.path() + "/");
    EXPECT_EQ(NextPictureNumber, 5);
    EXPECT_EQ(NextVideoNumber, 0);
    EXPECT_FALSE(QFile::exists(SettingsFile()));
}

// A stored Russian starts Russian (the About entry of the window's own menu stays English);
// the language commands relabel by id, keep the states and the cameras, store "lan" in place,
// and Qt's own texts follow (its Russian catalogue keeps "OK", the program's only button).
TEST_F(MainWindow, LanguageStoredAndChosenRelabelsEverythingAndKeepsStatesAndCameras) {
    WriteSettings("; kept\n[lumivisor]\nlan=1\npath=/tmp/pics/\n");
    dlg.DeviceList->addItem("Camera One");
    dlg.DeviceList->addItem("Camera Two");
    dlg.Create();
    EXPECT_EQ(LanguageFlag, 1);
    EXPECT_EQ(dlg.windowTitle(), "Программное обеспечение для эндоскопов и микроскопов Orvida");
    EXPECT_EQ(BarTexts(), (QStringList{"Файл", "Устройство", "Операции", "Язык", "О программе"}));
    EXPECT_EQ(Item(ID_SNAP)->text(), "Запись фото");
    QAction* about = FindMenuCommand(dlg.SystemMenu(), IDM_ABOUTBOX);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), kEnglishTitle);
    const QStringList russian{"Перейти к:", "Каталог:", "Типы файлов:", "Отмена"};
    EXPECT_EQ(BrowserTexts(), russian);
    dlg.IsRecording = true;
    dlg.UpdateOperationMenu();

    Item(ID_ENGLISH)->trigger();
    EXPECT_EQ(LanguageFlag, 0);
    EXPECT_EQ(dlg.windowTitle(), kEnglishTitle);
    EXPECT_EQ(BarTexts(), (QStringList{"File", "Devices", "Operation", "Language", "About"}));
    EXPECT_EQ(Item(ID_RESOLUTION)->text(), "Resolution");
    EXPECT_EQ(DeviceMenu(), (QStringList{"Camera One", "Camera Two"}));
    EXPECT_TRUE(Checked(ID_DEVICE_FIRST + 1));
    EXPECT_EQ(Operation(), kRecording);
    EXPECT_EQ(ReadSettings(), "; kept\n[lumivisor]\nlan=0\npath=/tmp/pics/\n");
    EXPECT_EQ(BrowserTexts(), (QStringList{"Look in:", "Directory:", "Files of type:", "Cancel"}));

    Item(ID_RUSSIAN)->trigger();
    EXPECT_EQ(LanguageFlag, 1);
    EXPECT_EQ(Item(ID_STOP_RECORDER)->text(), "Стоп видео");
    EXPECT_EQ(DeviceMenu(), (QStringList{"Camera One", "Camera Two"}));
    EXPECT_EQ(Operation(), kRecording);
    EXPECT_EQ(ReadSettings(), "; kept\n[lumivisor]\nlan=1\npath=/tmp/pics/\n");
    EXPECT_EQ(BrowserTexts(), russian);
}

// Enter (Snap) and keypad 5 (Crosshairs) act only while their items are enabled (a device
// open, no recording); the digit row is not keypad 5; Space (freeze) always acts.
TEST_F(MainWindow, AcceleratorsFollowTheGreyedStateAndSpaceAlwaysActs) {
    dlg.Create();
    const std::pair<bool, bool> states[] = {{false, false}, {false, true}, {true, true}};
    for (const auto& [recording, opened] : states) {
        SCOPED_TRACE(testing::Message() << "recording " << recording << ", open " << opened);
        const bool acts = opened && !recording, crossBefore = dlg.CrosshairShown;
        dlg.IsRecording = recording;
        if (opened) dlg.UpdateOperationMenu();
        StillRequested = 0;
        QTest::keyClick(&dlg, Qt::Key_Return);
        QTest::keyClick(&dlg, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_EQ(StillRequested.load(), acts ? 1 : 0);
        QTest::keyClick(&dlg, Qt::Key_5, Qt::KeypadModifier);
        QTest::keyClick(&dlg, Qt::Key_5);
        EXPECT_EQ(dlg.CrosshairShown, crossBefore != acts);
        EXPECT_EQ(FrameCallback.CrosshairOn.load(), dlg.CrosshairShown);
        for (int frozen : {1, 0}) {
            QTest::keyClick(&dlg, Qt::Key_Space);
            EXPECT_EQ(PreviewFrozen.load(), frozen);
        }
    }
}

TEST_F(MainWindow, EscEnterAndTabNeverCloseTheWindowExitDoes) {
    theApp.m_pMainWnd = &dlg;
    bool closedByKeys = true;
    QTimer::singleShot(0, &dlg, [&] {
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Tab})
            QTest::keyClick(&dlg, key);
        closedByKeys = !dlg.isVisible();
        Item(ID_EXIT)->trigger();
    });
    QTimer::singleShot(10000, &dlg, [&] { dlg.done(99); });  // a guard
    const int result = dlg.DoModal();
    theApp.m_pMainWnd = nullptr;
    EXPECT_FALSE(closedByKeys);
    EXPECT_NE(result, 99);
    EXPECT_FALSE(dlg.isVisible());
}

// The outer window size for a video size and a screen size.
struct Fit {
    int videoWidth;
    int videoHeight;
    QSize screen;
    QSize outer;
};

class WindowFit : public ::testing::TestWithParam<Fit> {};

TEST_P(WindowFit, OuterSize) {
    const Fit f = GetParam();
    EXPECT_EQ(CLumivisorDlg::OuterSizeForVideo(f.videoWidth, f.videoHeight, f.screen), f.outer);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, WindowFit,
    ::testing::Values(
        Fit{640, 480, {1920, 1080}, {653, 538}}, Fit{1280, 720, {1920, 1080}, {1293, 778}},
        Fit{1920, 1080, {1920, 1080}, {1930, 1110}},
        Fit{1871, 1000, {1920, 1080}, {1884, 1058}},  // just below width - 48
        Fit{1872, 100, {1920, 1080}, {1930, 1110}},   // width decides alone
        Fit{640, 2000, {1920, 1080}, {653, 2058}},    // height never decides
        Fit{0, 480, {1920, 1080}, {653, 538}},        // unknown size
        Fit{640, 0, {1920, 1080}, {653, 538}}, Fit{-640, 480, {1920, 1080}, {653, 538}},
        Fit{640, -480, {1920, 1080}, {653, 538}},  // a top-down format
        Fit{640, 480, {800, 600}, {653, 538}}, Fit{1280, 720, {800, 600}, {810, 630}}));

// A video not less than the screen's width - 48 gets the screen's size at its top left.
TEST_F(MainWindow, VideoWiderThanTheScreenGetsTheScreenSizeAndStaysOnIt) {
    dlg.Create();
    const QScreen* screen = QGuiApplication::primaryScreen();
    dlg.VideoWidth = screen->geometry().width() - 48;
    dlg.VideoHeight = 100;
    dlg.FitWindowToVideo();
    EXPECT_EQ(dlg.frameGeometry(),
              QRect(screen->availableGeometry().topLeft(), screen->size() + QSize(10, 30)));
}

// The About entry of the window's own menu and the About command open the same dialog.
TEST_F(MainWindow, AboutEntryAndCommandOpenTheAboutDialog) {
    dlg.Create();
    for (QAction* entry : {FindMenuCommand(dlg.SystemMenu(), IDM_ABOUTBOX), Item(ID_ABOUT)}) {
        ASSERT_NE(entry, nullptr);
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* about = dynamic_cast<CAboutDlg*>(QApplication::activeModalWidget());
            if ((opened = about != nullptr)) about->reject();
        });
        entry->trigger();
        EXPECT_TRUE(opened);
    }
}

}  // namespace
