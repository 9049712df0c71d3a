// Recording to AVI the way the capture engine does it, read back with GStreamer's own
// AVI demuxer: the camera's format (MJPG stays MJPG), every frame the camera sent.
// The layer first: GLib defines TRUE/FALSE as macros.
#include "MediaTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <thread>

#include "AviReader.h"
#include "RecordingCheck.h"
#include "media/FileWriter.h"

using namespace mediatest;
using lumi::devices::PixelFormat;
using lumi::devices::VideoFormat;
using lumi::devices::VirtualCamera;

namespace {

using capturetest::AviContents;
using capturetest::ReadAvi;

class MediaRecordingCycle : public ::testing::TestWithParam<VideoFormat> {};

// StartRecording, 3 s, StopRecording (stop, reset, reconnect, run) - twice on one graph.
TEST_P(MediaRecordingCycle, AviHoldsEveryFrameInTheCamerasFormat) {
    const VideoFormat format = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    VirtualCamera camera;
    EngineGraph g;
    ASSERT_EQ(g.build(MakeVirtualSource(format, false, &camera).get()), S_OK);
    ASSERT_EQ(g.connect(), S_OK);
    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(WaitFor([&] { return g.frames.buffers >= 3; }));

    for (int cycle = 1; cycle <= 2; ++cycle) {
        const std::string path =
            QDir(folder.path()).filePath("NEWAVI_%1.avi").arg(cycle).toStdString();
        const std::wstring wide = QString::fromStdString(path).toStdWString();
        // StartRecording
        capturetest::RecordedFrames recorded(g.graph.get());
        g.control->Stop();
        IBaseFilter* mux = nullptr;
        ASSERT_EQ(g.builder->SetOutputFileName(&MEDIASUBTYPE_Avi, wide.c_str(), &mux, nullptr),
                  S_OK);
        ASSERT_NE(mux, nullptr);
        ASSERT_EQ(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, g.capture.get(),
                                          nullptr, mux),
                  S_OK);
        mux->Release();
        const uint64_t sentBefore = camera.framesSent();
        const int previewBefore = g.frames.buffers;
        ASSERT_EQ(g.control->Run(), S_OK);
        std::this_thread::sleep_for(std::chrono::seconds(3));
        // StopRecording
        ASSERT_EQ(g.control->Stop(), S_OK);
        const uint64_t sent = camera.framesSent() - sentBefore;
        EXPECT_GT(g.frames.buffers, previewBefore + 30);  // the preview ran beside it
        g.reset();
        ASSERT_EQ(g.filters(), g.ownFilters());  // mux and file writer are gone
        ASSERT_EQ(g.connect(), S_OK);
        ASSERT_EQ(g.control->Run(), S_OK);

        const AviContents avi = ReadAvi(path);
        EXPECT_FALSE(avi.error) << path;
        EXPECT_NEAR(avi.frames, double(sent), 1.0) << "cycle " << cycle;
        EXPECT_TRUE(capturetest::RecordingIsWhole(QString::fromStdString(path), recorded.count()));
        EXPECT_GT(avi.frames, 60);
        EXPECT_EQ(avi.width, format.width);
        EXPECT_EQ(avi.height, format.height);
        if (format.pixelFormat == PixelFormat::Mjpg) {
            EXPECT_EQ(avi.mediaType, "image/jpeg");
        } else {
            EXPECT_EQ(avi.mediaType, "video/x-raw");
            EXPECT_EQ(avi.format, "YUY2");
        }
    }
    EXPECT_TRUE(WaitFor([&] { return g.frames.buffers > 0; }));
    g.control->Stop();
}

INSTANTIATE_TEST_SUITE_P(VirtualCameras, MediaRecordingCycle,
                         ::testing::Values(VideoFormat{PixelFormat::Yuy2, 640, 480, {30, 1}},
                                           VideoFormat{PixelFormat::Mjpg, 1280, 720, {30, 1}}),
                         [](const auto& p) {
                             return std::string(lumi::devices::fourccName(p.param.pixelFormat));
                         });

// No space: a camera whose stream cannot start (no USB bandwidth, ENOSPC) fails the run as the
// camera's and tells nothing of a disk; a file writer that cannot write (/dev/full, ENOSPC)
// tells of a full disk.
TEST(MediaRecording, NoSpaceIsTheDisksOnlyWhenTheFileWriterSaysIt) {
    const VideoFormat format{PixelFormat::Yuy2, 640, 480, {30, 1}};
    for (const bool camerasFault : {true, false}) {
        VirtualCamera camera;
        EngineGraph g;
        ASSERT_EQ(g.build(MakeVirtualSource(format, false, &camera).get()), S_OK);
        ASSERT_EQ(g.connect(), S_OK);
        if (camerasFault) {
            camera.setFault(lumi::devices::VirtualCameraFault::NoBandwidthAtStart);
        } else {
            IBaseFilter* mux = nullptr;
            ASSERT_EQ(g.builder->SetOutputFileName(&MEDIASUBTYPE_Avi, L"/dev/full", &mux, nullptr),
                      S_OK);
            ASSERT_EQ(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                              g.capture.get(), nullptr, mux),
                      S_OK);
            mux->Release();
        }
        EXPECT_EQ(g.control->Run(), camerasFault ? E_NO_BANDWIDTH : S_OK);
        ComPtr<IMediaEventEx> events;
        ASSERT_EQ(g.graph.as(IID_IMediaEventEx, events), S_OK);
        LONG code = 0;
        LONG_PTR param1 = 0, param2 = 0;
        ASSERT_EQ(events->GetEvent(&code, &param1, &param2, 5000), S_OK);
        EXPECT_EQ(code, camerasFault ? EC_DEVICE_LOST : EC_ERRORABORT);
        EXPECT_EQ(HRESULT(param1), camerasFault ? S_OK : E_DISK_FULL);
        g.control->Stop();
    }
}

TEST(MediaRecording, AFileThatCannotBeCreatedGivesNoMuxAndAFailure) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    EngineGraph g;
    ASSERT_EQ(g.build(MakeVirtualSource({PixelFormat::Yuy2, 640, 480, {30, 1}}, false).get()),
              S_OK);
    const auto before = g.filters();
    const std::wstring missingFolder =
        QDir(folder.path()).filePath("no/such/folder/NEWAVI_1.avi").toStdWString();
    const std::wstring aFolder = folder.path().toStdWString();
    for (const std::wstring& path : {missingFolder, aFolder, std::wstring()}) {
        IBaseFilter* mux = reinterpret_cast<IBaseFilter*>(0x1);
        const HRESULT hr =
            g.builder->SetOutputFileName(&MEDIASUBTYPE_Avi, path.c_str(), &mux, nullptr);
        EXPECT_TRUE(FAILED(hr));
        EXPECT_EQ(mux, nullptr);
        EXPECT_EQ(g.filters(), before);  // nothing added
    }
    EXPECT_EQ(
        g.builder->SetOutputFileName(&MEDIASUBTYPE_Avi, missingFolder.c_str(), nullptr, nullptr),
        E_POINTER);
}

TEST(MediaRecording, AnExistingFileIsNotTruncatedBeforeTheRecordingRuns) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = QDir(folder.path()).filePath("NEWAVI_1.avi");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep");
    }
    EngineGraph g;
    ASSERT_EQ(g.build(MakeVirtualSource({PixelFormat::Yuy2, 640, 480, {30, 1}}, false).get()),
              S_OK);
    IBaseFilter* mux = nullptr;
    ASSERT_EQ(
        g.builder->SetOutputFileName(&MEDIASUBTYPE_Avi, path.toStdWString().c_str(), &mux, nullptr),
        S_OK);
    mux->Release();
    EXPECT_EQ(QFileInfo(path).size(), 4);
}

}  // namespace
