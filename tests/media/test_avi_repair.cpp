// Repair of interrupted AVI recordings on real files: a recording whose writer stopped
// without finishing it (the pipeline torn down without end of stream, as a killed process
// leaves it) gets back every complete frame, the original's mode and times; anything else
// stays byte for byte, with no temporary file left behind. Random bytes and finished
// recordings: faults_signals.cpp.
#include "media/GstHandle.h"  // first: WinTypes.h before GLib

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <thread>

#include "AviReader.h"
#include "RecordingCheck.h"
#include "media/AviRepair.h"
#include "media/AviScan.h"

namespace {

// Records 64 x 48 YUY2 frames into path; the pipeline goes down without end of stream once
// a few frames are in the file.
bool RecordInterrupted(const QString& path) {
    const std::string description =
        "videotestsrc is-live=true ! video/x-raw,format=YUY2,width=64,height=48,framerate=30/1 "
        "! avimux ! filesink location=\"" +
        path.toStdString() + "\"";
    GstHandle<GstElement> pipeline =
        GstHandle<GstElement>::share(gst_parse_launch(description.c_str(), nullptr));
    if (!pipeline) return false;
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    for (int i = 0; i < 500 && QFileInfo(path).size() < 6 * 6152 + 1024; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return true;
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

enum class Input { Interrupted, CutInsideItsLastFrame, HeadersOnly, Held, Cancelled };

struct Case {
    Input input;
    AviRepairResult result;
    int framesLost;  // complete frames of the interrupted recording the repair cannot keep
    const char* name;
    friend std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.name; }
};

class AviRepairTest : public ::testing::TestWithParam<Case> {};

TEST_P(AviRepairTest, KeepsEveryCompleteFrameOrLeavesTheFileAsItWas) {
    const Case c = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("NEWAVI_3.avi");
    ASSERT_TRUE(RecordInterrupted(path));
    const capturetest::AviContents recorded = capturetest::ReadAvi(path.toStdString());
    QFile file(path);
    if (c.input == Input::CutInsideItsLastFrame) {
        ASSERT_TRUE(file.resize(file.size() - 100));
    } else if (c.input == Input::HeadersOnly) {
        ASSERT_TRUE(file.resize(Bytes(path).indexOf("movi") + 4));
    }
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    const struct timespec old[2] = {{1000, 0}, {2000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), old, 0), 0);
    const QByteArray before = Bytes(path);
    const int held = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (c.input == Input::Held) {
        ASSERT_EQ(::flock(held, LOCK_EX), 0);
    }
    const std::atomic<bool> cancel{c.input == Input::Cancelled};

    EXPECT_EQ(RepairInterruptedAvi(path.toStdString(), cancel), c.result);
    ::close(held);

    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"NEWAVI_3.avi"});
    if (c.result != AviRepairResult::Repaired) {
        EXPECT_EQ(Bytes(path), before);
        return;
    }
    const int frames = int(recorded.digests.size()) - c.framesLost;
    EXPECT_TRUE(capturetest::RecordingIsWhole(path, frames));
    const capturetest::AviContents repaired = capturetest::ReadAvi(path.toStdString());
    EXPECT_EQ(repaired.digests, std::vector<std::uint64_t>(recorded.digests.begin(),
                                                           recorded.digests.begin() + frames));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
    EXPECT_EQ(st.st_mtim.tv_sec, 2000);
}

INSTANTIATE_TEST_SUITE_P(
    Files, AviRepairTest,
    ::testing::Values(Case{Input::Interrupted, AviRepairResult::Repaired, 0, "Interrupted"},
                      Case{Input::CutInsideItsLastFrame, AviRepairResult::Repaired, 1,
                           "CutInsideItsLastFrame"},
                      Case{Input::HeadersOnly, AviRepairResult::NotNeeded, 0, "HeadersOnly"},
                      Case{Input::Held, AviRepairResult::InUse, 0, "HeldByARecorder"},
                      Case{Input::Cancelled, AviRepairResult::Cancelled, 0, "Cancelled"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
