// A save folder on a disk that fills up (a small tmpfs mounted by the test). Pictures taken
// until the disk is full leave the earlier files whole, no broken file behind, the preview
// running and a message saying why; once space is freed the next picture is written again.
// A recording that would fill the disk ends before it does, with a message, its file whole
// to the last frame, the earlier files whole, the preview running again and the next
// recording possible once there is space.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenuBar>
#include <cerrno>
#include <cstring>

#include "AviReader.h"
#include "E2eSupport.h"
#include "RecordingCheck.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "capture/DiskSpaceGuard.h"
#include "frames/FrameState.h"
#include "media/VirtualCameraProvider.h"
#include "platform/Menu.h"
#include "platform/WindowMessage.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "settings/Language.h"
#include "settings/SharedState.h"

using namespace e2e;
using lumi::devices::VirtualCameraProvider;

namespace {

// A tmpfs of the given size mounted on a fresh folder for the test's life.
class SmallDisk {
public:
    explicit SmallDisk(const QString& folder, int kib) : folder_(folder) {
        QDir().mkpath(folder_);
        const QByteArray options = "size=" + QByteArray::number(kib) + "k,mode=0777";
        if (mount("lumitest", folder_.toUtf8().constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                  options.constData()) == 0) {
            mounted_ = true;
        } else {
            error_ = QString::fromLocal8Bit(std::strerror(errno));
        }
    }
    ~SmallDisk() {
        if (mounted_) umount2(folder_.toUtf8().constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    std::string skipReason() const {
        return "cannot mount a tmpfs for the full-disk case (needs root or CAP_SYS_ADMIN): " +
               error_.toStdString();
    }
    qint64 freeBytes() const {
        struct statvfs s {};
        if (statvfs(folder_.toUtf8().constData(), &s) != 0) return -1;
        return qint64(s.f_bavail) * qint64(s.f_frsize);
    }

private:
    QString folder_;
    bool mounted_ = false;
    QString error_;
};

// A JPEG file that is whole: it decodes and ends with the end-of-image marker.
bool WholeJpeg(const QString& path, QSize size) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    return bytes.startsWith("\xFF\xD8") && bytes.endsWith("\xFF\xD9") &&
           QImage::fromData(bytes, "JPEG").size() == size;
}

TEST(DiskFaults, PicturesOnAFullDiskLeaveNoBrokenFileAndThePreviewRuns) {
    Session session;
    const QString folder = session.home.filePath("disk");
    SmallDisk disk(folder, 160);
    if (!disk.mounted()) GTEST_SKIP() << disk.skipReason();
    VirtualCameraProvider::addNumberedCameras(1);
    CLumivisorDlg dlg;
    ASSERT_TRUE(dlg.Create());
    {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = folder + '/';
        PicturePrefix = QStringLiteral("NEWPIC");
        NextPictureNumber = 0;
    }
    const QSize size(dlg.VideoWidth, dlg.VideoHeight);
    auto number = [] {
        std::lock_guard lock(SaveSettingsMutex);
        return NextPictureNumber;
    };
    // Snap, and wait until the picture is written: its number is taken, and the picture
    // writer has nothing left to do.
    auto snap = [&] {
        const std::int32_t before = number();
        SendMessage(&dlg, WM_COMMAND, ID_SNAP, 0);
        return WaitFor([&] { return number() != before && dlg.PicturesWritten(); });
    };
    auto picture = [&](int n) {
        return QDir(folder).filePath(QStringLiteral("NEWPIC_%1.jpg").arg(n));
    };

    // Pictures until one fails for want of space.
    int failed = -1;
    for (int n = 0; n < 60 && failed < 0; ++n) {
        ASSERT_TRUE(snap());
        if (!QFile::exists(picture(n))) failed = n;
    }
    ASSERT_GT(failed, 0) << "the disk never filled, or the first picture failed";
    EXPECT_LT(disk.freeBytes(), 64 * 1024);
    // Two more attempts on the full disk.
    ASSERT_TRUE(snap());
    ASSERT_TRUE(snap());

    // The earlier pictures are whole; the failed ones left nothing behind.
    for (int n = 0; n < failed; ++n) EXPECT_TRUE(WholeJpeg(picture(n), size)) << n;
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    EXPECT_EQ(entries.size(), failed) << entries.join(", ").toStdString();
    // Each failed picture said why, in the window's language.
    ASSERT_TRUE(WaitFor([&] { return session.messages.size() >= 3; }));
    for (const QString& message : session.messages)
        EXPECT_EQ(message, LoadStringForLanguage(170, LanguageFlag));

    // The preview goes on.
    const int painted = dlg.FramesPainted;
    EXPECT_TRUE(WaitFor([&] { return dlg.FramesPainted > painted + 5; }));

    // With space again, the next picture takes the next number (the failed ones are used up).
    ASSERT_TRUE(QFile::remove(picture(0)));
    ASSERT_TRUE(QFile::remove(picture(1)));
    const std::int32_t next = number();
    EXPECT_EQ(next, failed + 3);
    ASSERT_TRUE(snap());
    EXPECT_TRUE(WholeJpeg(picture(next), size));
}

TEST(DiskFaults, ARecordingThatWouldFillTheDiskEndsWholeWithAMessageAndThePreviewRunsOn) {
    Session session;
    const QString folder = session.home.filePath("disk");
    // What the recording keeps free, and about 2 s of 640 x 480 YUY2 (600 KiB a frame).
    constexpr qint64 kMargin = qint64(DiskSpaceGuard::kMarginBytes);
    SmallDisk disk(folder, int((kMargin + 36 * 1024 * 1024) / 1024));
    if (!disk.mounted()) GTEST_SKIP() << disk.skipReason();
    VirtualCameraProvider::addNumberedCameras(1);
    CLumivisorDlg dlg;
    ASSERT_TRUE(dlg.Create());
    {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = folder + '/';
        NextPictureNumber = 0;
        NextVideoNumber = 0;
    }
    auto file = [&](const QString& name) { return QDir(folder).filePath(name); };
    auto waitForFrames = [&](int frames) {
        const int painted = dlg.FramesPainted;
        return WaitFor([&] { return dlg.FramesPainted >= painted + frames; });
    };
    // A recording of a few frames, then Stop recorder; the file as the readers see it.
    auto record = [&](const QString& name) {
        capturetest::RecordedFrames recorded(theApp.m_CaptureVideo.m_pGraph.get());
        SendMessage(&dlg, WM_COMMAND, ID_START_RECORDER, 0);
        EXPECT_TRUE(dlg.IsRecording);
        EXPECT_TRUE(waitForFrames(2));
        SendMessage(&dlg, WM_COMMAND, ID_STOP_RECORDER, 0);
        EXPECT_TRUE(capturetest::RecordingIsWhole(file(name), recorded.count()));
    };
    ASSERT_TRUE(waitForFrames(2));

    // A picture and a short recording that fit.
    SendMessage(&dlg, WM_COMMAND, ID_SNAP, 0);
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(file("NEWPIC_0.jpg")); }));
    ASSERT_TRUE(waitForFrames(2));
    record("NEWAVI_0.avi");
    const capturetest::AviContents first = capturetest::ReadAvi(file("NEWAVI_0.avi").toStdString());
    ASSERT_TRUE(session.messages.isEmpty()) << session.messages.join("; ").toStdString();

    // A recording that would fill the disk ends on its own, with the message, before the
    // margin is touched: its file is whole, every frame the multiplexer took in it.
    capturetest::RecordedFrames recorded(theApp.m_CaptureVideo.m_pGraph.get());
    SendMessage(&dlg, WM_COMMAND, ID_START_RECORDER, 0);
    ASSERT_TRUE(dlg.IsRecording);
    ASSERT_TRUE(WaitFor([&] { return !session.messages.isEmpty(); }, 30000));
    EXPECT_EQ(session.messages, QStringList{LoadStringForLanguage(166, LanguageFlag)});
    EXPECT_FALSE(dlg.IsRecording);
    EXPECT_EQ(dlg.windowTitle(), LoadStringForLanguage(100, LanguageFlag));
    EXPECT_TRUE(FindMenuCommand(dlg.MenuBar(), ID_START_RECORDER)->isEnabled());
    EXPECT_FALSE(FindMenuCommand(dlg.MenuBar(), ID_STOP_RECORDER)->isEnabled());
    EXPECT_GT(disk.freeBytes(), kMargin);
    EXPECT_LT(disk.freeBytes(), kMargin + 4 * 1024 * 1024);
    EXPECT_TRUE(capturetest::RecordingIsWhole(file("NEWAVI_1.avi"), recorded.count()));
    const capturetest::AviContents full = capturetest::ReadAvi(file("NEWAVI_1.avi").toStdString());
    EXPECT_FALSE(full.error);
    EXPECT_EQ(full.frames, recorded.count());

    // The preview runs again; the earlier files are as they were.
    EXPECT_TRUE(waitForFrames(5));
    EXPECT_TRUE(WholeJpeg(file("NEWPIC_0.jpg"), QSize(dlg.VideoWidth, dlg.VideoHeight)));
    const capturetest::AviContents again = capturetest::ReadAvi(file("NEWAVI_0.avi").toStdString());
    EXPECT_FALSE(again.error);
    EXPECT_EQ(again.digests, first.digests);

    // With space again, the next recording is written whole.
    ASSERT_TRUE(QFile::remove(file("NEWAVI_1.avi")));
    record("NEWAVI_2.avi");
    EXPECT_EQ(session.messages.size(), 1);
}

}  // namespace
