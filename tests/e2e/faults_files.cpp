// Faults around files: a damaged settings file, odd folder names, a full disk, signals.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "WindowSupport.h"
#include "capture/DiskSpaceGuard.h"
#include "capture/RecordingRepair.h"
#include "platform/NarrowString.h"
#include "settings/Language.h"
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
    // The window starts, its camera opens, the settings file stays as it was.
    void StartAndCheckCameraOpen() {
        const QByteArray bytes = ReadSettings();
        ASSERT_TRUE(dlg.Create());
        EXPECT_TRUE(dlg.SelectedDevice == 0 && Open());
        EXPECT_EQ(ReadSettings(), bytes);
    }
};

class DamagedSettings : public StartupFaults, public ::testing::WithParamInterface<bool> {};

// Keys among garbage (a path too long, cut) or after 1 MiB of other sections are found.
TEST_P(DamagedSettings, GiveTheKeysThePlatformsRulesFind) {
    const bool garbage = GetParam();
    const QString folder = session.home.filePath("f") + QString(garbage ? 5000 : 0, u'p');
    QByteArray bytes;
    if (garbage)
        bytes = Garbage(64 * 1024, 9).replace('\n', ' ') +
                "\n[LumiVisor]\n\x01\xff garbage without equals\n lan = 7\xfe\npath = " +
                folder.toUtf8() + "\n" + Garbage(4096, 10);
    for (int i = 0; !garbage && bytes.size() < 1024 * 1024; ++i)
        bytes +=
            "[section" + QByteArray::number(i) + "]\nlan=0\npath=/x/" + QByteArray(100, 'x') + "\n";
    WriteSettings(garbage ? bytes : bytes + "[lumivisor]\nlan=1\npath=" + folder.toUtf8() + "\n");
    ASSERT_NO_FATAL_FAILURE(StartAndCheckCameraOpen());
    EXPECT_EQ(LanguageFlag, garbage ? 7 : 1);  // digits up to the first other character
    EXPECT_EQ(dlg.windowTitle(), LoadStringForLanguage(100, 1));
    EXPECT_EQ(SaveFolder, folder.left(kMaxPathChars - 1) + '/');
    EXPECT_EQ(NextPictureNumber, 0);
}

INSTANTIATE_TEST_SUITE_P(File, DamagedSettings, ::testing::Bool());

// Bytes that are not UTF-8 in the file and the folder's name are kept and the folder used;
// numbering counts links to files, not folders, and skips a name taken after the scan.
TEST_F(StartupFaults, BytesThatAreNotUtf8SurviveAndTheirFolderIsUsed) {
    const QByteArray folder = ToNarrow(session.home.path()) + "/scans-\xff\xfe-\xd0/";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    const auto at = [&](const char* name) { return (folder + name).toStdString(); };
    const auto touch = [&](const char* name) {
        ::close(::open(at(name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    };
    touch("NEWPIC_4.jpg");
    ASSERT_EQ(::mkdir(at("NEWPIC_50.jpg").c_str(), 0755), 0);
    ASSERT_EQ(::symlink(at("NEWPIC_50.jpg").c_str(), at("NEWPIC_60.jpg").c_str()), 0);
    ASSERT_EQ(::symlink(at("NEWPIC_4.jpg").c_str(), at("NEWPIC_5.jpg").c_str()), 0);
    ASSERT_EQ(::symlink(at("missing").c_str(), at("NEWPIC_6.JPG").c_str()), 0);
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
    const QByteArray picture = folder + "NEWPIC_7.jpg";
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
    const capturetest::AviContents avi = capturetest::ReadAvi(at("NEWAVI_1.avi"));
    EXPECT_TRUE(!avi.error && avi.frames > 0);
    struct stat taken {};  // skipped and left alone; the counter goes on after the one used
    EXPECT_TRUE(::stat(at("NEWAVI_0.avi").c_str(), &taken) == 0 && taken.st_size == 0);
    EXPECT_EQ(NextVideo(), 2);
    EXPECT_TRUE(session.messages.isEmpty()) << session.messages.join("; ").toStdString();
    std::filesystem::remove_all(folder.toStdString());  // beyond what Qt can remove
}

class DiskFaults : public WindowTest {
protected:
    void TearDown() override {
        if (mounted) umount2(folder.toUtf8().constData(), MNT_DETACH);
    }
    // A tmpfs of that size on the save folder, the window open on a camera, numbers from 0.
    void Mount(qint64 kib) {
        ASSERT_TRUE(QDir().mkpath(folder));
        const QByteArray options = "size=" + QByteArray::number(kib) + "k,mode=0777";
        mounted = mount("lumitest", folder.toUtf8().constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                        options.constData()) == 0;
        if (!mounted) GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
        ASSERT_NO_FATAL_FAILURE(Start());
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = folder + '/';
        NextPictureNumber = NextVideoNumber = 0;
    }
    qint64 FreeBytes() const { return QStorageInfo(folder).bytesAvailable(); }
    std::int32_t Number() const {
        std::lock_guard lock(SaveSettingsMutex);
        return NextPictureNumber;
    }
    bool Snap() {  // and wait until the picture is written
        const std::int32_t before = Number();
        Command(ID_SNAP);
        return WaitFor([&] { return Number() != before && dlg.PicturesWritten(); });
    }
    QString Picture(int n) const { return File(QStringLiteral("NEWPIC_%1.jpg").arg(n)); }
    // A picture that decodes at the video's size and ends with the end-of-image marker.
    bool WholeJpeg(int n) const {
        const QByteArray bytes = lumitest::ReadFile(Picture(n));
        return bytes.startsWith("\xFF\xD8") && bytes.endsWith("\xFF\xD9") &&
               QImage::fromData(bytes, "JPEG").size() == QSize(dlg.VideoWidth, dlg.VideoHeight);
    }
    void Record(const QString& name) {
        capturetest::RecordedFrames recorded(Engine().m_pGraph.get());
        Command(ID_START_RECORDER);
        EXPECT_TRUE(dlg.IsRecording && WaitForFrames(2));
        Command(ID_STOP_RECORDER);
        EXPECT_TRUE(capturetest::RecordingIsWhole(File(name), recorded.count()));
    }
    QString folder = session.home.filePath("disk");
    bool mounted = false;
};

// Pictures until the disk is full: earlier files whole, nothing broken left, a message.
TEST_F(DiskFaults, PicturesOnAFullDiskLeaveNoBrokenFileAndThePreviewRuns) {
    ASSERT_NO_FATAL_FAILURE(Mount(160));
    if (!mounted) return;
    int failed = -1;  // the first picture without space
    for (int n = 0; n < 60 && failed < 0; ++n) {
        ASSERT_TRUE(Snap());
        if (!QFile::exists(Picture(n))) failed = n;
    }
    ASSERT_GT(failed, 0) << "the disk never filled, or the first picture failed";
    EXPECT_LT(FreeBytes(), 64 * 1024);
    ASSERT_TRUE(Snap());  // two more attempts on the full disk
    ASSERT_TRUE(Snap());
    for (int n = 0; n < failed; ++n) EXPECT_TRUE(WholeJpeg(n)) << n;
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    EXPECT_EQ(entries.size(), failed) << entries.join(", ").toStdString();
    ASSERT_TRUE(WaitFor([&] { return session.messages.size() >= 3; }));
    for (const QString& message : session.messages)
        EXPECT_EQ(message, LoadStringForLanguage(170, LanguageFlag));
    EXPECT_TRUE(WaitForFrames(6));
    // With space again, the next picture takes the next number.
    ASSERT_TRUE(QFile::remove(Picture(0)) && QFile::remove(Picture(1)));
    EXPECT_EQ(Number(), failed + 3);
    ASSERT_TRUE(Snap());
    EXPECT_TRUE(WholeJpeg(failed + 3));
}

// A recording that would fill the disk ends before it does, whole, with a message.
TEST_F(DiskFaults, ARecordingThatWouldFillTheDiskEndsWholeWithAMessageAndThePreviewRunsOn) {
    // The margin kept free, and about 2 s of 640 x 480 YUY2 (600 KiB a frame).
    constexpr qint64 kMargin = qint64(DiskSpaceGuard::kMarginBytes);
    ASSERT_NO_FATAL_FAILURE(Mount((kMargin + 36 * 1024 * 1024) / 1024));
    if (!mounted) return;
    ASSERT_TRUE(Snap());
    Record("NEWAVI_0.avi");
    const capturetest::AviContents first = capturetest::ReadAvi(File("NEWAVI_0.avi").toStdString());
    ASSERT_TRUE(session.messages.isEmpty()) << session.messages.join("; ").toStdString();
    capturetest::RecordedFrames recorded(Engine().m_pGraph.get());
    Command(ID_START_RECORDER);
    ASSERT_TRUE(dlg.IsRecording);
    ASSERT_TRUE(WaitFor([&] { return !session.messages.isEmpty(); }, 30000));
    EXPECT_EQ(session.messages, QStringList{LoadStringForLanguage(166, LanguageFlag)});
    EXPECT_EQ(Operation(), kDeviceOpen);
    EXPECT_GT(FreeBytes(), kMargin);
    EXPECT_LT(FreeBytes(), kMargin + 4 * 1024 * 1024);
    EXPECT_TRUE(capturetest::RecordingIsWhole(File("NEWAVI_1.avi"), recorded.count()));
    EXPECT_TRUE(WaitForFrames(5));
    EXPECT_TRUE(WholeJpeg(0));
    EXPECT_EQ(capturetest::ReadAvi(File("NEWAVI_0.avi").toStdString()).digests, first.digests);
    ASSERT_TRUE(QFile::remove(File("NEWAVI_1.avi")));
    Record("NEWAVI_2.avi");
    EXPECT_EQ(session.messages.size(), 1);
}

// Records 3 s with HOME in home, then the signal: ms until exit, -1 on failure (see said).
int RecordThenSignal(const QString& home, const char* signal, QString& said) {
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QStringLiteral(LUMI_XVFB_SIGNAL), {QStringLiteral(LUMI_PROGRAM), home, signal});
    run.waitForFinished(90000);
    said = QString::fromLocal8Bit(run.readAll());
    const QRegularExpressionMatch exit = QRegularExpression("exit_ms=(\\d+)").match(said);
    return exit.hasMatch() ? exit.captured(1).toInt() : -1;
}

class ProgramSignalled : public ::testing::TestWithParam<const char*> {};

TEST_P(ProgramSignalled, CompletesTheRecordingAndExitsWithin5s) {
    QTemporaryDir home;
    QString said;
    const int ms = RecordThenSignal(home.path(), GetParam(), said);
    ASSERT_GE(ms, 0) << said.toStdString();
    EXPECT_LT(ms, 5000);
    EXPECT_TRUE(capturetest::RecordingIsWhole(home.filePath("NEWAVI_0.avi")));
}

INSTANTIATE_TEST_SUITE_P(By, ProgramSignalled, ::testing::Values("TERM", "INT", "HUP"),
                         [](const auto& p) { return std::string(p.param); });

// The repair says so once and leaves files that are no interrupted recording alone.
TEST(ProgramKilled, TheNextStartRepairsTheRecordingAndSaysSoOnce) {
    Session session;
    QString said;
    ASSERT_GE(RecordThenSignal(session.home.path(), "KILL", said), 0) << said.toStdString();
    const QString video = session.home.filePath("NEWAVI_0.avi");
    const QString noise = session.home.filePath("NEWAVI_50.avi");
    ASSERT_FALSE(capturetest::RecordingIsWhole(video));  // headers never finished
    QByteArray noiseBytes(65536, '\0');
    for (char& c : noiseBytes) c = char(std::rand());
    ASSERT_TRUE(lumitest::WriteFile(noise, noiseBytes));
    auto start = [] {
        CLumivisorDlg dlg;
        dlg.Create();
        RecordingRepair* repair = dlg.findChild<RecordingRepair*>();
        return repair != nullptr && WaitFor([&] { return repair->Done(); }, 60000);
    };
    ASSERT_TRUE(start());
    EXPECT_EQ(session.messages,
              QStringList{LoadStringForLanguage(174, 0) + QStringLiteral("\nNEWAVI_0.avi")});
    EXPECT_TRUE(capturetest::RecordingIsWhole(video));
    const QByteArray repaired = lumitest::ReadFile(video);
    ASSERT_TRUE(start());
    EXPECT_EQ(session.messages.size(), 1);
    EXPECT_EQ(lumitest::ReadFile(video), repaired);
    EXPECT_EQ(lumitest::ReadFile(noise), noiseBytes);
}

}  // namespace
