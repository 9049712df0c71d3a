// Pictures of the virtual camera's first frame in every format it offers, through the whole
// chain (camera, decoder or converter, frame sink, picture writer): the file's bytes stay
// exactly those recorded, whatever way the frames take to the screen.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include "CaptureTestSupport.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/FrameState.h"
#include "frames/PictureWriter.h"
#include "media/CaptureSourceFilter.h"
#include "settings/SharedState.h"

using namespace capturetest;
using lumi::devices::PixelFormat;

namespace {

struct Case {
    PixelFormat format;
    int width, height;
    bool crosshair;
    const char* sha1;  // of the JPEG file, first 16 hex digits
};
std::string Name(const Case& c) {
    return std::string(c.format == PixelFormat::Mjpg ? "MJPG_" : "YUY2_") +
           std::to_string(c.width) + "x" + std::to_string(c.height) +
           (c.crosshair ? "_crosshair" : "");
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << Name(c);
}

class PictureChecksum : public EngineTest, public ::testing::WithParamInterface<Case> {};

TEST_P(PictureChecksum, FirstFrameGivesTheRecordedFile) {
    const Case& c = GetParam();
    QTemporaryDir folder;
    {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = folder.path() + "/";
        PicturePrefix = "NEWPIC";
        NextPictureNumber = 0;
    }
    ASSERT_EQ(Open(false), 0);
    auto* source = dynamic_cast<CaptureSourceFilter*>(engine.m_pCaptureFilter.get());
    ASSERT_NE(source, nullptr);
    // The camera counts its frames from each start: the request set before the run is
    // carried out with frame 0.
    engine.m_pMediaControl->Stop();
    engine.ResetGraph();
    ASSERT_EQ(source->setFormat({c.format, c.width, c.height, {30, 1}}), S_OK);
    const QString file = folder.filePath("NEWPIC_0.jpg");
    {
        PictureWriter writer;  // the program's own; gone, it has finished every picture
        FrameCallback.CrosshairOn = c.crosshair;
        StillRequested = 1;
        engine.ConnectAndRun();
        ASSERT_TRUE(WaitFor([&] { return QFile::exists(file); }, 30000));
        engine.m_pMediaControl->Stop();
    }
    const QByteArray bytes = lumitest::ReadFile(file);
    EXPECT_EQ(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(16), c.sha1);
    EXPECT_TRUE(messages.texts.isEmpty());
    std::lock_guard lock(SaveSettingsMutex);
    SaveFolder.clear();
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, PictureChecksum,
    ::testing::Values(Case{PixelFormat::Yuy2, 640, 480, false, "bd9e87ec55456f01"},
                      Case{PixelFormat::Yuy2, 1280, 720, false, "937d9b2b132a749a"},
                      Case{PixelFormat::Yuy2, 1920, 1080, false, "421398de40df904a"},
                      Case{PixelFormat::Yuy2, 3840, 2160, false, "95e04ec71bb93093"},
                      Case{PixelFormat::Mjpg, 640, 480, false, "ce502aa6b1da5317"},
                      Case{PixelFormat::Mjpg, 1280, 720, false, "f61882f2cf99efd6"},
                      Case{PixelFormat::Mjpg, 1920, 1080, false, "3f01fa4e6cba8f21"},
                      Case{PixelFormat::Mjpg, 3840, 2160, false, "0d7e33cc6a9dce5f"},
                      Case{PixelFormat::Yuy2, 640, 480, true, "677ef077333ddbbd"},
                      Case{PixelFormat::Mjpg, 1280, 720, true, "cb848b819b2ce76f"}),
    [](const auto& p) { return Name(p.param); });

}  // namespace
