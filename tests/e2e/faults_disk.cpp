// A save folder on a disk that fills up (a small tmpfs mounted by the test). Pictures taken
// until the disk is full leave the earlier files whole, no broken file behind, the preview
// running and a message saying why; with space freed the next picture is written again. A
// recording that would fill the disk ends before it does, with a message, its file whole to
// the last frame, the earlier files whole, the preview on and the next recording possible.
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "WindowSupport.h"
#include "capture/DiskSpaceGuard.h"
#include "settings/Language.h"

using namespace e2e;

namespace {

// A JPEG file that is whole: it decodes and ends with the end-of-image marker.
bool WholeJpeg(const QString& path, QSize size) {
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return bytes.startsWith("\xFF\xD8") && bytes.endsWith("\xFF\xD9") &&
           QImage::fromData(bytes, "JPEG").size() == size;
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
        if (!mounted)
            GTEST_SKIP() << "cannot mount a tmpfs for the full-disk case (needs root or "
                            "CAP_SYS_ADMIN): "
                         << std::strerror(errno);
        ASSERT_NO_FATAL_FAILURE(Start());
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = folder + '/';
        NextPictureNumber = NextVideoNumber = 0;
    }
    qint64 FreeBytes() const {
        struct statvfs s {};
        return statvfs(folder.toUtf8().constData(), &s) == 0
                   ? qint64(s.f_bavail) * qint64(s.f_frsize)
                   : -1;
    }
    std::int32_t Number() const {
        std::lock_guard lock(SaveSettingsMutex);
        return NextPictureNumber;
    }
    // Snap, and wait until the picture is written: its number taken, the writer idle.
    bool Snap() {
        const std::int32_t before = Number();
        Command(ID_SNAP);
        return WaitFor([&] { return Number() != before && dlg.PicturesWritten(); });
    }
    QString Picture(int n) const { return File(QStringLiteral("NEWPIC_%1.jpg").arg(n)); }
    QSize VideoSize() const { return {dlg.VideoWidth, dlg.VideoHeight}; }
    // A recording of a few frames, then Stop recorder; the file as the readers see it.
    void Record(const QString& name) {
        capturetest::RecordedFrames recorded(Engine().m_pGraph.get());
        Command(ID_START_RECORDER);
        EXPECT_TRUE(dlg.IsRecording);
        EXPECT_TRUE(WaitForFrames(2));
        Command(ID_STOP_RECORDER);
        EXPECT_TRUE(capturetest::RecordingIsWhole(File(name), recorded.count()));
    }

    QString folder = session.home.filePath("disk");
    bool mounted = false;
};

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
    // The earlier pictures are whole; the failed ones left nothing behind.
    for (int n = 0; n < failed; ++n) EXPECT_TRUE(WholeJpeg(Picture(n), VideoSize())) << n;
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    EXPECT_EQ(entries.size(), failed) << entries.join(", ").toStdString();
    // Each failed picture said why, in the window's language.
    ASSERT_TRUE(WaitFor([&] { return session.messages.size() >= 3; }));
    for (const QString& message : session.messages)
        EXPECT_EQ(message, LoadStringForLanguage(170, LanguageFlag));
    EXPECT_TRUE(WaitForFrames(6));
    // With space again, the next picture takes the next number (the failed ones are used up).
    ASSERT_TRUE(QFile::remove(Picture(0)) && QFile::remove(Picture(1)));
    EXPECT_EQ(Number(), failed + 3);
    ASSERT_TRUE(Snap());
    EXPECT_TRUE(WholeJpeg(Picture(failed + 3), VideoSize()));
}

TEST_F(DiskFaults, ARecordingThatWouldFillTheDiskEndsWholeWithAMessageAndThePreviewRunsOn) {
    // What the recording keeps free, and about 2 s of 640 x 480 YUY2 (600 KiB a frame).
    constexpr qint64 kMargin = qint64(DiskSpaceGuard::kMarginBytes);
    ASSERT_NO_FATAL_FAILURE(Mount((kMargin + 36 * 1024 * 1024) / 1024));
    if (!mounted) return;
    // A picture and a short recording that fit.
    ASSERT_TRUE(Snap());
    ASSERT_TRUE(WaitForFrames(2));
    Record("NEWAVI_0.avi");
    const capturetest::AviContents first = capturetest::ReadAvi(File("NEWAVI_0.avi").toStdString());
    ASSERT_TRUE(session.messages.isEmpty()) << session.messages.join("; ").toStdString();
    // A recording that would fill the disk ends on its own, with the message, before the
    // margin is touched: its file is whole, every frame the multiplexer took in it.
    capturetest::RecordedFrames recorded(Engine().m_pGraph.get());
    Command(ID_START_RECORDER);
    ASSERT_TRUE(dlg.IsRecording);
    ASSERT_TRUE(WaitFor([&] { return !session.messages.isEmpty(); }, 30000));
    EXPECT_EQ(session.messages, QStringList{LoadStringForLanguage(166, LanguageFlag)});
    EXPECT_FALSE(dlg.IsRecording);
    EXPECT_EQ(dlg.windowTitle(), LoadStringForLanguage(100, LanguageFlag));
    EXPECT_EQ(Operation(), kDeviceOpen);
    EXPECT_GT(FreeBytes(), kMargin);
    EXPECT_LT(FreeBytes(), kMargin + 4 * 1024 * 1024);
    EXPECT_TRUE(capturetest::RecordingIsWhole(File("NEWAVI_1.avi"), recorded.count()));
    const capturetest::AviContents full = capturetest::ReadAvi(File("NEWAVI_1.avi").toStdString());
    EXPECT_FALSE(full.error);
    // A frame repeated to keep time (a late frame under load) shows the same picture again.
    std::vector<std::uint64_t> pictures = full.digests;
    pictures.erase(std::unique(pictures.begin(), pictures.end()), pictures.end());
    EXPECT_EQ(qint64(pictures.size()), recorded.count());
    // The preview runs again; the earlier files are as they were.
    EXPECT_TRUE(WaitForFrames(5));
    EXPECT_TRUE(WholeJpeg(Picture(0), VideoSize()));
    const capturetest::AviContents again = capturetest::ReadAvi(File("NEWAVI_0.avi").toStdString());
    EXPECT_FALSE(again.error);
    EXPECT_EQ(again.digests, first.digests);
    // With space again, the next recording is written whole.
    ASSERT_TRUE(QFile::remove(File("NEWAVI_1.avi")));
    Record("NEWAVI_2.avi");
    EXPECT_EQ(session.messages.size(), 1);
}

}  // namespace
