// Start-up against a damaged settings file and a save folder full of odd names: the rules
// of the settings keys and of the number scan hold, and the window comes up with its camera.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTimer>
#include <filesystem>

#include "WindowSupport.h"
#include "platform/NarrowString.h"
#include "settings/SettingsFile.h"

using namespace e2e;

namespace {

// Random bytes with NULs and invalid UTF-8, but no section header.
QByteArray Garbage(qsizetype size, quint32 seed) {
    QByteArray bytes(size, '\0');
    QRandomGenerator random(seed);
    for (char& c : bytes) c = static_cast<char>(random.bounded(256));
    return bytes.replace('[', '(');
}

class StartupFaults : public WindowTest {
protected:
    void SetUp() override { VirtualCameraProvider::addNumberedCameras(1); }
    QString Home(const QString& name) const { return QDir(session.home.path()).filePath(name); }
    // Starts the window: the camera opens, and start-up leaves the settings file as it was.
    void StartAndCheckCameraOpen() {
        const QByteArray bytes = ReadSettings();
        ASSERT_TRUE(dlg.Create());
        EXPECT_EQ(dlg.SelectedDevice, 0);
        EXPECT_TRUE(Open());
        EXPECT_EQ(ReadSettings(), bytes);
    }
};

struct DamagedFile {
    const char* name;  // also of the folder "path" names, padded to `pad` more characters
    std::function<QByteArray(const QByteArray& folder)> bytes;
    int lan;
    int pad = 0;
};

class DamagedSettings : public StartupFaults, public ::testing::WithParamInterface<DamagedFile> {};

// Among binary garbage, after a mebibyte of other sections, or too long: the keys are read
// wherever they are, the folder (cut to the buffer) is taken, the caption follows the flag
// (any non-zero one is Russian), no number is taken from the folder.
TEST_P(DamagedSettings, GiveTheKeysThePlatformsRulesFind) {
    const QString folder = Home(GetParam().name) + QString(GetParam().pad, u'p');
    WriteSettings(GetParam().bytes(folder.toUtf8()));
    ASSERT_NO_FATAL_FAILURE(StartAndCheckCameraOpen());
    EXPECT_EQ(LanguageFlag, GetParam().lan);  // the test locale is en_US
    EXPECT_EQ(dlg.windowTitle(), LoadStringForLanguage(100, GetParam().lan != 0));
    EXPECT_EQ(SaveFolder, folder.left(kMaxPathChars - 1) + '/');
    EXPECT_EQ(NextPictureNumber, 0);
    EXPECT_EQ(NextVideoNumber, 0);
}

INSTANTIATE_TEST_SUITE_P(
    File, DamagedSettings,
    ::testing::Values(
        DamagedFile{"KeysAmongGarbage",
                    [](const QByteArray& folder) {
                        return Garbage(64 * 1024, 9).replace('\n', ' ') +
                               "\n[LumiVisor]\n\x01\xff garbage without equals\n lan = 7\xfe\n"
                               "path = " +
                               folder + "\n" + Garbage(4096, 10);
                    },
                    7},             // digits up to the first other character
        DamagedFile{"OneMebibyte",  // other sections and keys first, the program's last
                    [](const QByteArray& folder) {
                        QByteArray bytes;
                        for (int i = 0; bytes.size() < 1024 * 1024; ++i)
                            bytes += "[section" + QByteArray::number(i) +
                                     "]\nlan=0\npath=/nowhere/" + QByteArray(100, 'x') + "\n";
                        return bytes + "[lumivisor]\nlan=1\npath=" + folder + "\n";
                    },
                    1},
        DamagedFile{"LongPath",  // cannot exist: its last name is longer than any allows
                    [](const QByteArray& folder) { return "[lumivisor]\npath=" + folder + "\n"; },
                    0, 5000}),
    [](const auto& test) { return std::string(test.param.name); });

// Start-up numbering over a folder holding names that tempt a careless parser, entries in
// another case, links and folders.
TEST_F(StartupFaults, OddNamesInTheSaveFolderGiveSaneNumbers) {
    QDir dir(Home("odd"));
    ASSERT_TRUE(dir.mkpath("."));
    for (const char* name :
         {"NEWPIC_1e309.jpg", "NEWPIC_nan.jpg", "NEWPIC_-0.jpg", "NEWPIC_2147483648.jpg",
          "NEWPIC_2147483647.jpg", "NEWPIC_-2147483649.jpg", "NEWPIC_.jpg", "NEWPIC_inf.jpg",
          "NEWPIC_0x7fffffff.jpg", "NEWPIC_1e9.jpg.part", "newpic_7.JPG", "NEWAVI_1e3.avi",
          "newavi_-5.AVI", "NEWAVI_99999999999.avi", "target.bin"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << name;
    }
    // Folders, and links to a folder, are not files; a link to a file, and a dangling one,
    // hold a name that a new picture must not take.
    ASSERT_TRUE(dir.mkdir("NEWPIC_500.jpg") && dir.mkdir("NEWAVI_3000.avi"));
    ASSERT_TRUE(QFile::link(dir.filePath("NEWPIC_500.jpg"), dir.filePath("NEWPIC_600.jpg")));
    ASSERT_TRUE(QFile::link(dir.filePath("target.bin"), dir.filePath("NEWPIC_40.jpg")));
    ASSERT_TRUE(QFile::link(dir.filePath("missing.bin"), dir.filePath("NEWPIC_41.JPG")));
    WriteSettings("[lumivisor]\npath=" + dir.absolutePath().toUtf8() + "\n");
    ASSERT_NO_FATAL_FAILURE(StartAndCheckCameraOpen());
    EXPECT_EQ(NextPictureNumber, 42);
    EXPECT_EQ(NextVideoNumber, 1001);
}

// A save folder whose name is not UTF-8, and such bytes in a key of no use to the program:
// language switches and the save-settings dialog (closed with Cancel, so "path" is written
// again) leave the file byte for byte as it was; pictures and recordings land in the folder,
// numbered after the files there, a recording's name taken after the scan skipped.
TEST_F(StartupFaults, BytesThatAreNotUtf8SurviveAndTheirFolderIsUsed) {
    const QByteArray folder = ToNarrow(session.home.path()) + "/scans-\xff\xfe-\xd0/";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    const auto touch = [&](const char* name) {
        ::close(::open((folder + name).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    };
    touch("NEWPIC_4.jpg");
    const QByteArray settings = "[lumivisor]\nlan=0\nnote=\x80\xc3(\npath=" + folder + "\n";
    WriteSettings(settings);
    ASSERT_NO_FATAL_FAILURE(StartAndCheckCameraOpen());
    EXPECT_EQ(ToNarrow(SaveFolder), folder);
    dlg.OnRussian();
    dlg.OnEnglish();
    EXPECT_EQ(ReadSettings(), settings);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    dlg.OnSetFolder();
    EXPECT_EQ(ReadSettings(), settings);

    Command(ID_SNAP);
    const QByteArray picture = folder + "NEWPIC_5.jpg";
    ASSERT_TRUE(WaitFor([&] { return ::access(picture.constData(), F_OK) == 0; }));
    QFile jpeg;
    ASSERT_TRUE(jpeg.open(::open(picture.constData(), O_RDONLY | O_CLOEXEC), QIODevice::ReadOnly,
                          QFileDevice::AutoCloseHandle));
    EXPECT_EQ(QImageReader(&jpeg).read().size(), QSize(dlg.VideoWidth, dlg.VideoHeight));

    touch("NEWAVI_0.avi");  // taken after the scan
    Command(ID_START_RECORDER);
    ASSERT_TRUE(dlg.IsRecording);
    ASSERT_TRUE(WaitForFrames(3));
    Command(ID_STOP_RECORDER);
    const capturetest::AviContents avi =
        capturetest::ReadAvi((folder + "NEWAVI_1.avi").toStdString());
    EXPECT_FALSE(avi.error);
    EXPECT_GT(avi.frames, 0);
    struct stat taken {};  // skipped and left alone; the counter goes on after the one used
    EXPECT_TRUE(::stat((folder + "NEWAVI_0.avi").constData(), &taken) == 0 && taken.st_size == 0);
    EXPECT_EQ(NextVideo(), 2);
    EXPECT_TRUE(session.messages.isEmpty()) << session.messages.join("; ").toStdString();
    std::filesystem::remove_all(folder.toStdString());  // beyond what Qt can remove
}

}  // namespace
