// Start-up against a damaged settings file and a save folder full of odd names: the rules
// of the settings keys and of the number scan hold, and the window comes up with its camera.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTimer>
#include <cstdint>
#include <filesystem>
#include <limits>

#include "AviReader.h"

#include "E2eSupport.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "media/VirtualCameraProvider.h"
#include "platform/Menu.h"
#include "platform/NarrowString.h"
#include "platform/WindowMessage.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "settings/SettingsFile.h"
#include "settings/SharedState.h"

using namespace e2e;
using lumi::devices::VirtualCameraProvider;

namespace {

// A session whose home holds a Desktop folder (the default save folder) and whose settings
// file, when given, has exactly the bytes of the case.
class StartupFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(session.home.path()).mkpath("Desktop"));
        ASSERT_TRUE(QDir(session.home.path()).mkpath(".config"));
        desktop = session.home.filePath("Desktop") + '/';
        PicturePrefix = QStringLiteral("NEWPIC");
        VideoPrefix = QStringLiteral("NEWAVI");
        VirtualCameraProvider::addNumberedCameras(1);
    }

    void WriteSettings(const QByteArray& bytes) {
        QFile file(session.home.filePath(".config/") + kSettingsFileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray ReadSettings() {
        QFile file(session.home.filePath(".config/") + kSettingsFileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Starts the window and checks what every case shares: the camera is open and the
    // settings file was not rewritten by start-up.
    void StartAndCheckCameraOpen(CLumivisorDlg& dlg) {
        const QString ini = session.home.filePath(".config/") + kSettingsFileName;
        QFile before(ini);
        const QByteArray bytes = before.open(QIODevice::ReadOnly) ? before.readAll() : QByteArray();
        before.close();
        ASSERT_TRUE(dlg.Create());
        EXPECT_EQ(dlg.SelectedDevice, 0);
        EXPECT_TRUE(theApp.m_CaptureVideo.m_pCaptureFilter &&
                    theApp.m_CaptureVideo.m_pCaptureBuilder);
        QFile after(ini);
        if (after.open(QIODevice::ReadOnly)) {
            EXPECT_EQ(after.readAll(), bytes);
        }
    }

    Session session;
    QString desktop;
};

QByteArray RandomBytes(qsizetype size, quint32 seed) {
    QByteArray bytes(size, '\0');
    QRandomGenerator random(seed);
    for (char& c : bytes) c = static_cast<char>(random.bounded(256));
    return bytes;
}

TEST_F(StartupFaults, BinaryGarbageReadsAsNoKeys) {
    // Random bytes with NULs and invalid UTF-8, but no section header: both keys missing.
    QByteArray bytes = RandomBytes(64 * 1024, 8);
    bytes.replace('[', '(');
    WriteSettings(bytes);
    CLumivisorDlg dlg;
    StartAndCheckCameraOpen(dlg);
    EXPECT_EQ(LanguageFlag, 0);  // the test locale is en_US
    EXPECT_EQ(SaveFolder, desktop);
    EXPECT_EQ(NextPictureNumber, 0);
    EXPECT_EQ(dlg.windowTitle(), LoadStringForLanguage(100, 0));
}

TEST_F(StartupFaults, KeysAmongBinaryGarbageAreFound) {
    QByteArray bytes = RandomBytes(4096, 9);
    bytes.replace('[', '(').replace('\n', ' ');
    const QByteArray folder = QDir(session.home.path()).absoluteFilePath("scans").toUtf8();
    bytes += "\n[LumiVisor]\n\x01\xff garbage without equals\n lan = 7\xfe\n";
    bytes += "path = " + folder + "\n";
    bytes += RandomBytes(4096, 10).replace('[', '(');
    WriteSettings(bytes);
    CLumivisorDlg dlg;
    StartAndCheckCameraOpen(dlg);
    EXPECT_EQ(LanguageFlag, 7);  // digits up to the first other character
    EXPECT_EQ(SaveFolder, QString::fromUtf8(folder) + '/');
}

TEST_F(StartupFaults, OneMebibyteFileIsReadToItsEnd) {
    // 1 MiB of other sections and keys, the program's section last.
    QByteArray bytes;
    for (int i = 0; bytes.size() < 1024 * 1024; ++i) {
        bytes += "[section" + QByteArray::number(i) + "]\nlan=0\npath=/nowhere/" +
                 QByteArray(100, 'x') + "\n";
    }
    const QByteArray folder = QDir(session.home.path()).absoluteFilePath("far").toUtf8();
    bytes += "[lumivisor]\nlan=1\npath=" + folder + "\n";
    WriteSettings(bytes);
    CLumivisorDlg dlg;
    StartAndCheckCameraOpen(dlg);
    EXPECT_EQ(LanguageFlag, 1);
    EXPECT_EQ(SaveFolder, QString::fromUtf8(folder) + '/');
}

TEST_F(StartupFaults, FiveThousandCharacterPathIsCutToTheBuffer) {
    const QString folder = QDir(session.home.path()).absoluteFilePath(QString(5000, u'p'));
    WriteSettings("[lumivisor]\npath=" + folder.toUtf8() + "\n");
    CLumivisorDlg dlg;
    StartAndCheckCameraOpen(dlg);
    EXPECT_EQ(SaveFolder, folder.left(kMaxPathChars - 1) + '/');
    // The folder cannot exist (its last name is longer than any file system allows).
    EXPECT_EQ(NextPictureNumber, 0);
    EXPECT_EQ(NextVideoNumber, 0);
}

// Start-up numbering over a folder holding names that tempt a careless parser, entries in
// another case, links and folders.
TEST_F(StartupFaults, OddNamesInTheSaveFolderGiveSaneNumbers) {
    QDir dir(session.home.filePath("odd"));
    ASSERT_TRUE(dir.mkpath("."));
    auto touch = [&](const QString& name) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
    };
    for (const char* name :
         {"NEWPIC_1e309.jpg", "NEWPIC_nan.jpg", "NEWPIC_-0.jpg", "NEWPIC_2147483648.jpg",
          "NEWPIC_2147483647.jpg", "NEWPIC_-2147483649.jpg", "NEWPIC_.jpg", "NEWPIC_inf.jpg",
          "NEWPIC_0x7fffffff.jpg", "NEWPIC_1e9.jpg.part", "newpic_7.JPG", "NEWAVI_1e3.avi",
          "newavi_-5.AVI", "NEWAVI_99999999999.avi", "target.bin"}) {
        touch(QString::fromLatin1(name));
    }
    // Folders, and links to a folder, are not files; a link to a file, and a dangling one,
    // hold a name that a new picture must not take.
    ASSERT_TRUE(dir.mkdir("NEWPIC_500.jpg"));
    ASSERT_TRUE(QFile::link(dir.filePath("NEWPIC_500.jpg"), dir.filePath("NEWPIC_600.jpg")));
    ASSERT_TRUE(QFile::link(dir.filePath("target.bin"), dir.filePath("NEWPIC_40.jpg")));
    ASSERT_TRUE(QFile::link(dir.filePath("missing.bin"), dir.filePath("NEWPIC_41.JPG")));
    ASSERT_TRUE(dir.mkdir("NEWAVI_3000.avi"));
    WriteSettings("[lumivisor]\npath=" + dir.absolutePath().toUtf8() + "\n");

    CLumivisorDlg dlg;
    StartAndCheckCameraOpen(dlg);
    EXPECT_EQ(NextPictureNumber, 42);
    EXPECT_EQ(NextVideoNumber, 1001);
}

// A save folder whose name is not UTF-8, and such bytes in a key of no use to the program:
// language switches and the save-settings dialog (closed with Cancel, so "path" is written
// again) leave the file byte for byte as it was; pictures and recordings land in the folder,
// numbered after the files there.
TEST_F(StartupFaults, BytesThatAreNotUtf8SurviveAndTheirFolderIsUsed) {
    const QByteArray folder = ToNarrow(session.home.path()) + "/scans-\xff\xfe-\xd0/";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    const auto touch = [&](const char* name) {
        ::close(::open((folder + name).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    };
    touch("NEWPIC_4.jpg");
    const QByteArray settings = "[lumivisor]\nlan=0\nnote=\x80\xc3(\npath=" + folder + "\n";
    WriteSettings(settings);
    CLumivisorDlg dlg;
    StartAndCheckCameraOpen(dlg);
    EXPECT_EQ(ToNarrow(SaveFolder), folder);
    dlg.OnRussian();
    dlg.OnEnglish();
    EXPECT_EQ(ReadSettings(), settings);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    dlg.OnSetFolder();
    EXPECT_EQ(ReadSettings(), settings);

    SendMessage(&dlg, WM_COMMAND, ID_SNAP, 0);
    const QByteArray picture = folder + "NEWPIC_5.jpg";
    ASSERT_TRUE(WaitFor([&] { return ::access(picture.constData(), F_OK) == 0; }));
    QFile jpeg;
    ASSERT_TRUE(jpeg.open(::open(picture.constData(), O_RDONLY | O_CLOEXEC), QIODevice::ReadOnly,
                          QFileDevice::AutoCloseHandle));
    EXPECT_EQ(QImageReader(&jpeg).read().size(), QSize(dlg.VideoWidth, dlg.VideoHeight));

    touch("NEWAVI_0.avi");  // taken after the scan
    SendMessage(&dlg, WM_COMMAND, ID_START_RECORDER, 0);
    ASSERT_TRUE(dlg.IsRecording);
    const int painted = dlg.FramesPainted;
    ASSERT_TRUE(WaitFor([&] { return dlg.FramesPainted >= painted + 3; }));
    SendMessage(&dlg, WM_COMMAND, ID_STOP_RECORDER, 0);
    const capturetest::AviContents avi =
        capturetest::ReadAvi((folder + "NEWAVI_1.avi").toStdString());
    EXPECT_FALSE(avi.error);
    EXPECT_GT(avi.frames, 0);
    EXPECT_TRUE(session.messages.isEmpty()) << session.messages.join("; ").toStdString();
    std::filesystem::remove_all(folder.toStdString());  // beyond what Qt can remove
}

}  // namespace
