// Recording to AVI as the engine does onto a full disk; repair of interrupted recordings.
#include "MediaTestSupport.h"  // first: WinTypes.h before GLib

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <QDir>
#include <QTemporaryDir>
#include <thread>

#include "AviReader.h"
#include "RecordingCheck.h"
#include "media/avi/AviRepair.h"

using namespace mediatest;
using capturetest::AviContents;
using capturetest::ReadAvi;
using capturetest::RecordingIsWhole;
using lumi::devices::PixelFormat;
using lumi::devices::VideoFormat;

namespace {

const VideoFormat kYuy2{PixelFormat::Yuy2, 640, 480, {30, 1}};

// The engine's StartRecording on a built graph: stop, file writer, capture branch to it.
HRESULT RenderToFile(EngineGraph& g, const std::wstring& path) {
    g.control->Stop();
    IBaseFilter* mux = nullptr;
    HRESULT hr = g.builder->SetOutputFileName(&MEDIASUBTYPE_Avi, path.c_str(), &mux, nullptr);
    if (FAILED(hr)) return hr;
    hr = g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, g.capture.get(), nullptr,
                                 mux);
    mux->Release();
    return hr;
}

// The file writer's ENOSPC is a full disk (a camera's, no USB bandwidth, is the camera's).
TEST(MediaRecording, NoSpaceFromTheFileWriterIsAFullDisk) {
    EngineGraph g;
    ASSERT_EQ(g.build(MakeVirtualSource(kYuy2, false).get()), S_OK);
    ASSERT_EQ(g.connect(), S_OK);
    ASSERT_EQ(RenderToFile(g, L"/dev/full"), S_OK);
    EXPECT_EQ(g.control->Run(), S_OK);
    ComPtr<IMediaEventEx> events;
    ASSERT_EQ(g.graph.as(IID_IMediaEventEx, events), S_OK);
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    ASSERT_EQ(events->GetEvent(&code, &param1, &param2, 5000), S_OK);
    EXPECT_EQ(code, EC_ERRORABORT);
    EXPECT_EQ(HRESULT(param1), E_DISK_FULL);
    g.control->Stop();
}

// A few 64 x 48 YUY2 frames into path, torn down without end of stream as a killed process does.
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

enum class Input { CutInsideItsLastFrame, HeadersOnly, Held, Cancelled };

struct RepairCase {
    Input input;
    AviRepairResult result;
    int framesLost;  // complete frames of the interrupted recording the repair cannot keep
    const char* name;
};

class AviRepairTest : public ::testing::TestWithParam<RepairCase> {};

// Every complete frame back, mode and times kept, else the file as it was; no temporary file left.
TEST_P(AviRepairTest, KeepsEveryCompleteFrameOrLeavesTheFileAsItWas) {
    const RepairCase c = GetParam();
    QTemporaryDir folder;
    const QString path = folder.filePath("NEWAVI_3.avi");
    const QByteArray name = QFile::encodeName(path);
    ASSERT_TRUE(RecordInterrupted(path));
    const AviContents recorded = ReadAvi(path.toStdString());
    QFile file(path);
    ASSERT_TRUE(c.input != Input::CutInsideItsLastFrame || file.resize(file.size() - 100));
    ASSERT_TRUE(c.input != Input::HeadersOnly || file.resize(Bytes(path).indexOf("movi") + 4));
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    const struct timespec old[2] = {{1000, 0}, {2000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, name.constData(), old, 0), 0);
    const QByteArray before = Bytes(path);
    const int held = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_TRUE(c.input != Input::Held || ::flock(held, LOCK_EX) == 0);
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
    EXPECT_TRUE(RecordingIsWhole(path, frames));
    EXPECT_EQ(
        ReadAvi(path.toStdString()).digests,
        std::vector<std::uint64_t>(recorded.digests.begin(), recorded.digests.begin() + frames));
    struct stat st {};
    ASSERT_EQ(::stat(name.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
    EXPECT_EQ(st.st_mtim.tv_sec, 2000);
}

INSTANTIATE_TEST_SUITE_P(
    Files, AviRepairTest,
    ::testing::Values(RepairCase{Input::CutInsideItsLastFrame, AviRepairResult::Repaired, 1,
                                 "CutInsideItsLastFrame"},
                      RepairCase{Input::HeadersOnly, AviRepairResult::NotNeeded, 0, "HeadersOnly"},
                      RepairCase{Input::Held, AviRepairResult::InUse, 0, "HeldByARecorder"},
                      RepairCase{Input::Cancelled, AviRepairResult::Cancelled, 0, "Cancelled"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
