// The main window without cameras, and the command line.
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "WindowSupport.h"
#include "app/CommandLine.h"
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
    QStringList BrowserTexts() {
        QStringList texts;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == nullptr) return;
            for (const QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
            dialog->close();
        });
        CFolderWnd::BrowseWithFileDialog(&dlg, QStringLiteral("t"));
        texts.removeAll(QString());
        return texts;
    }
};

TEST_F(MainWindow, FreshStartIsEnglishGreyedAtTheNoDeviceSizeAndWritesNothing) {
    ASSERT_TRUE(lumitest::WriteFile(session.home.filePath("NEWPIC_4.jpg")));
    dlg.Create();
    EXPECT_TRUE(DeviceMenu().isEmpty());  // placeholder removed
    EXPECT_EQ(Operation(), kNoDevice);
    EXPECT_EQ(dlg.FittedOuterSize(), QSize(653, 538));
    EXPECT_TRUE(Centred());
    // No desktop folder: pictures go to the home folder; numbering continues there.
    EXPECT_EQ(SaveFolder, session.home.path() + "/");
    EXPECT_EQ(NextPictureNumber, 5);
    EXPECT_FALSE(QFile::exists(SettingsFile()));
    // A video not less than the screen's width - 48 gets the screen's size at its top left.
    const QScreen* screen = QGuiApplication::primaryScreen();
    dlg.VideoWidth = screen->geometry().width() - 48;
    dlg.VideoHeight = 100;
    dlg.FitWindowToVideo();
    EXPECT_EQ(dlg.frameGeometry(),
              QRect(screen->availableGeometry().topLeft(), screen->size() + QSize(10, 30)));
    // The system menu's About and the About command open the dialog.
    for (QAction* entry : {FindMenuCommand(dlg.SystemMenu(), IDM_ABOUTBOX), Item(ID_ABOUT)}) {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* about = dynamic_cast<CAboutDlg*>(QApplication::activeModalWidget());
            if ((opened = about != nullptr)) about->reject();
        });
        entry->trigger();
        EXPECT_TRUE(opened);
    }
}

// The language, stored or chosen, relabels all (Qt's texts too), keeps states, stores "lan".
TEST_F(MainWindow, LanguageStoredAndChosenRelabelsEverythingAndKeepsStatesAndCameras) {
    WriteSettings("; kept\n[lumivisor]\nlan=1\npath=/tmp/pics/\n");
    dlg.DeviceList->addItem("Camera One");
    dlg.DeviceList->addItem("Camera Two");
    dlg.Create();
    EXPECT_EQ(dlg.windowTitle(), "Программное обеспечение для эндоскопов и микроскопов Orvida");
    EXPECT_EQ(BarTexts(), (QStringList{"Файл", "Устройство", "Операции", "Язык", "О программе"}));
    EXPECT_EQ(FindMenuCommand(dlg.SystemMenu(), IDM_ABOUTBOX)->text(), kEnglishTitle);
    EXPECT_EQ(BrowserTexts(), (QStringList{"Перейти к:", "Каталог:", "Типы файлов:"}));
    dlg.IsRecording = true;
    dlg.UpdateOperationMenu();
    Item(ID_ENGLISH)->trigger();
    EXPECT_EQ(dlg.windowTitle(), kEnglishTitle);
    EXPECT_EQ(BarTexts(), (QStringList{"File", "Devices", "Operation", "Language", "About"}));
    EXPECT_EQ(DeviceMenu(), (QStringList{"Camera One", "Camera Two"}));
    EXPECT_TRUE(Checked(ID_DEVICE_FIRST + 1));
    EXPECT_EQ(Operation(), kRecording);
    EXPECT_EQ(ReadSettings(), "; kept\n[lumivisor]\nlan=0\npath=/tmp/pics/\n");
    EXPECT_EQ(BrowserTexts(), (QStringList{"Look in:", "Directory:", "Files of type:"}));
    Item(ID_RUSSIAN)->trigger();
    EXPECT_EQ(Item(ID_STOP_RECORDER)->text(), "Стоп видео");
    EXPECT_EQ(ReadSettings(), "; kept\n[lumivisor]\nlan=1\npath=/tmp/pics/\n");
}

// Enter and keypad 5 act only while their items are enabled; Space (freeze) always acts.
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
    EXPECT_NE(dlg.DoModal(), 99);
    theApp.m_pMainWnd = nullptr;
    EXPECT_FALSE(closedByKeys);
    EXPECT_FALSE(dlg.isVisible());
}

// The outer size for a video and a screen: from the screen's width - 48 on, the screen's.
TEST(WindowFit, OuterSizeForVideoAndScreen) {
    // Video, screen and outer width and height.
    const int cases[][6] = {
        {640, 480, 1920, 1080, 653, 538},     {1280, 720, 1920, 1080, 1293, 778},
        {1871, 1000, 1920, 1080, 1884, 1058}, {1872, 100, 1920, 1080, 1930, 1110},
        {640, 2000, 1920, 1080, 653, 2058},   {0, 480, 1920, 1080, 653, 538},
        {640, 0, 1920, 1080, 653, 538},       {-640, 480, 1920, 1080, 653, 538},
        {640, -480, 1920, 1080, 653, 538},    {640, 480, 800, 600, 653, 538},
        {1280, 720, 800, 600, 810, 630}};
    for (const auto& c : cases)
        EXPECT_EQ(CLumivisorDlg::OuterSizeForVideo(c[0], c[1], {c[2], c[3]}), QSize(c[4], c[5]))
            << c[0] << "x" << c[1] << " on " << c[2];
}

// Command lines (split at '|') and the virtual cameras each gives, -1 where refused.
TEST(CommandLine, ParsesVirtualCameras) {
    const QString all =
        "|--virtual-cameras 3|--virtual-cameras=2|--virtual-cameras|"
        "-platform offscreen --virtual-cameras 1|--virtual-cameras x|"
        "--virtual-cameras -1|--virtual-cameras 65";
    const int cameras[] = {0, 3, 2, -1, 1, -1, -1, -1};
    for (int i = 0; i < 8; ++i) {
        const QString line = all.section('|', i, i);
        const auto options = ParseCommandLine(line.split(' ', Qt::SkipEmptyParts));
        EXPECT_EQ(options.error.isEmpty() ? options.virtualCameras : -1, cameras[i])
            << line.toStdString();
    }
}

}  // namespace
