// The capture engine on virtual cameras: binding, failed opens, graph lifetimes, pictures.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QTemporaryDir>

#include "CaptureTestSupport.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/FrameState.h"
#include "frames/PictureWriter.h"
#include "media/MediaClasses.h"
#include "media/devices/virtual/VirtualCameraProvider.h"
#include "resources/StringTable.h"
#include "settings/SharedState.h"

using namespace capturetest;
using lumi::devices::PixelFormat;
using lumi::devices::VirtualCameraProvider;

namespace {

using CaptureGraph = EngineTest;

// Each listed position binds its device; one outside the list binds and opens nothing; an open
// that fails says why.
TEST_F(CaptureGraph, PositionsBindTheirDevicesAndFailedOpensSayWhy) {
    DeviceListWindow list;
    IBaseFilter* filter = nullptr;
    VirtualCameraProvider::addCamera("Bind Camera 1", {.stillPin = true});
    VirtualCameraProvider::addCamera("Bind Camera 2");
    const int count = engine.EnumDevices(&list);
    const int first = int(list.entries.indexOf("Bind Camera 1"));  // after any real camera
    ASSERT_GE(first, 0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(list.entries[first + i], QString("Bind Camera %1").arg(i + 1));
        ASSERT_TRUE(engine.BindDevice(first + i, &filter));
        auto* source = dynamic_cast<CaptureSourceFilter*>(filter);
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(source->hasStillPin(), i == 0);
        filter->Release();
    }
    auto* sentinel = reinterpret_cast<IBaseFilter*>(0x5A5A);
    filter = sentinel;
    EXPECT_TRUE(engine.BindDevice(count, &filter));
    EXPECT_TRUE(engine.BindDevice(-1, &filter));
    EXPECT_EQ(filter, sentinel);
    // Opening there: a negative position gives 1 silently, one past the last the build message.
    EXPECT_EQ(engine.OpenDevice(-1), 1);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_TRUE(FAILED(engine.OpenDevice(count)));
    EXPECT_EQ(messages.texts, QStringList{LoadStringForLanguage(152, 0)});
    EXPECT_FALSE(engine.m_pCaptureFilter && engine.m_pCaptureBuilder);
    // A class the runtime cannot create: the step that needs it fails with its message.
    const std::pair<CLSID, int> cases[] = {
        {CLSID_CaptureGraphBuilder2, 158}, {CLSID_FilterGraph, 158}, {CLSID_SampleGrabber, 160}};
    for (const auto& [clsid, message] : cases) {
        SCOPED_TRACE(message);
        CoRegisterClass(clsid, [](REFIID, void** object) {
            *object = nullptr;
            return REGDB_E_CLASSNOTREG;
        });
        messages.texts.clear();
        EXPECT_TRUE(FAILED(engine.OpenDevice(first)));
        EXPECT_EQ(messages.texts, QStringList{LoadStringForLanguage(message, 0)});
        RegisterMediaClasses();
    }
}

// Open / reset / reconnect / release cycles on two cameras while frames flow: nothing leaks.
// Opening again lets the old graph go, stopped and whole; the release drops every interface.
TEST_F(CaptureGraph, GraphsGoWholeOnEveryPath) {
    VirtualCameraProvider::addCamera("Cycle Camera 1", {.stillPin = true});
    VirtualCameraProvider::addCamera("Cycle Camera 2");
    const int positions[] = {PositionOf("Cycle Camera 1"), PositionOf("Cycle Camera 2")};
    ASSERT_TRUE(positions[0] >= 0 && positions[1] >= 0);
    FrameCallback.CrosshairOn = true;
    for (int i = 0; i < 200; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(engine.OpenDevice(positions[i % 2]), 0);
        const bool look = i % 25 < 2;
        ASSERT_TRUE(!look || WaitFor([] { return BufferedSize() == 640 * 480 * 4; }));
        engine.m_pMediaControl->Stop();
        engine.ResetGraph();
        ASSERT_EQ(FiltersOf(engine.m_pGraph.get()).size(), 5u);  // stripped to the own five
        FreeFrameBuffer();
        // The still trigger's result: the second camera has no still pin.
        ASSERT_EQ(engine.ConnectAndRun(), i % 2 == 0 ? S_OK : E_NOINTERFACE);
        EXPECT_TRUE(!look || WaitFor([] { return BufferedSize() == 640 * 480 * 4; }));
        engine.ReleaseGraph();
    }
    EXPECT_TRUE(messages.texts.isEmpty());
    ASSERT_EQ(engine.OpenDevice(positions[0]), 0);
    ComPtr<IGraphBuilder> oldGraph = engine.m_pGraph;
    ComPtr<IMediaControl> oldControl = engine.m_pMediaControl;
    ComPtr<IBaseFilter> oldCapture = engine.m_pCaptureFilter;
    ASSERT_EQ(engine.OpenDevice(positions[0]), 0);
    EXPECT_NE(engine.m_pGraph.get(), oldGraph.get());
    EXPECT_NE(engine.m_pCaptureFilter.get(), oldCapture.get());
    EXPECT_FALSE(capturetest::Running(oldControl.get()));
    EXPECT_TRUE(Running());
    oldControl = nullptr;
    oldCapture = nullptr;
    EXPECT_EQ(oldGraph.detach()->Release(), 0u);  // the engine held nothing of it
    engine.ReleaseGraph();
    EXPECT_FALSE(engine.m_pCaptureFilter || engine.m_pCaptureBuilder || engine.m_pGraph ||
                 engine.m_pMediaControl || engine.m_pVideoWindow || engine.m_pGrabber ||
                 engine.m_pStillGrabber || engine.m_pGrabberFilter ||
                 engine.m_pStillGrabberFilter || engine.m_pNullRenderer || engine.m_pNullRenderer2);
    // Destruction stops the graph, then frees the frame buffer.
    {
        CCaptureVideo local;
        ASSERT_EQ(local.OpenDevice(positions[0]), 0);
        ASSERT_TRUE(WaitFor([] { return BufferedSize() > 0; }));
        oldControl = local.m_pMediaControl;
        oldGraph = local.m_pGraph;
    }
    EXPECT_FALSE(capturetest::Running(oldControl.get()));
    EXPECT_EQ(BufferedSize(), 0);
    oldControl = nullptr;
    EXPECT_EQ(oldGraph.detach()->Release(), 0u);
}

// The first frame's picture keeps the recorded bytes through the whole chain: raw and
// compressed, with the crosshair.
using Case = std::tuple<PixelFormat, int, int, bool, std::string>;  // sha1: of the JPEG, 16 digits
class PictureChecksum : public EngineTest, public ::testing::WithParamInterface<Case> {};

TEST_P(PictureChecksum, FirstFrameGivesTheRecordedFile) {
    const auto& [format, width, height, crosshair, sha1] = GetParam();
    QTemporaryDir folder;
    {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = folder.path() + "/";
        PicturePrefix = "NEWPIC";
        NextPictureNumber = 0;
    }
    // The camera counts frames from each start: a request set before the run takes frame 0.
    ASSERT_NE(OpenStripped(format, width, height), nullptr);
    const QString file = folder.filePath("NEWPIC_0.jpg");
    {
        PictureWriter writer;  // the program's own; gone, it has finished every picture
        FrameCallback.CrosshairOn = crosshair;
        StillRequested = 1;
        engine.ConnectAndRun();
        ASSERT_TRUE(WaitFor([&] { return QFile::exists(file); }, 30000));
        engine.m_pMediaControl->Stop();
    }
    const QByteArray bytes = lumitest::ReadFile(file);
    EXPECT_EQ(
        QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(16).toStdString(),
        sha1);
    EXPECT_TRUE(messages.texts.isEmpty());
    std::lock_guard lock(SaveSettingsMutex);
    SaveFolder.clear();
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PictureChecksum,
    ::testing::Values(Case{PixelFormat::Yuy2, 1920, 1080, false, "421398de40df904a"},
                      Case{PixelFormat::Mjpg, 1280, 720, true, "cb848b819b2ce76f"}));

}  // namespace
