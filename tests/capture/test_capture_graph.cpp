// The capture graph on virtual cameras: build, names, frames, still trigger, reset,
// reconnection, failures with their messages, reopen and release.
#include <gtest/gtest.h>

#include <atomic>

#include "CaptureTestSupport.h"
#include "capture/CCaptureVideo.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/CSampleGrabberCBStill.h"
#include "frames/FrameState.h"
#include "frames/SnapshotHook.h"
#include "media/MediaClasses.h"
#include "media/VirtualCameraProvider.h"
#include "resources/StringTable.h"
#include "settings/SharedState.h"

using namespace capturetest;
using lumi::devices::VirtualCameraProvider;

namespace {

std::atomic<int> pictures{0};
std::atomic<LONG> pictureLength{0};

void CountPicture(CSampleGrabberCB&, LONG length, BYTE*) {
    pictureLength = length;
    ++pictures;
}

class CaptureGraph : public ::testing::Test {
protected:
    void SetUp() override {
        VirtualCameraProvider::removeAll();
        LanguageFlag = 0;
        StillRequested = 0;
        PreviewFrozen = 0;
        FreeFrameBuffer();
        pictures = 0;
        SetSaveSnapshot(&CountPicture);
    }
    void TearDown() override {
        engine.ReleaseGraph();
        SetSaveSnapshot(nullptr);
        VirtualCameraProvider::removeAll();
        LanguageFlag = 0;
        StillRequested = 0;
        FreeFrameBuffer();
    }
    // Lists the devices; the position of the named one (-1 when missing).
    int PositionOf(const QString& name) {
        DeviceListWindow list;
        engine.EnumDevices(&list);
        return static_cast<int>(list.entries.indexOf(name));
    }
    static LONG BufferedSize() {
        LONG size = 0;
        WithFrameBuffer([&](const BYTE*, LONG s) { size = s; });
        return size;
    }
    static bool Running(IMediaControl* control) {
        OAFilterState state = State_Stopped;
        control->GetState(5000, &state);
        return state == State_Running;
    }

    CCaptureVideo engine;
    MessageRecorder messages;
};

TEST_F(CaptureGraph, BuildRunsBothBranchesUnderTheFirstNamesAndFramesArrive) {
    AddCameras("Graph Camera", {true});
    const int position = PositionOf("Graph Camera 1");
    ASSERT_GE(position, 0);
    EXPECT_EQ(engine.OpenDevice(position), 0);
    EXPECT_TRUE(messages.texts.isEmpty());
    ASSERT_TRUE(engine.m_pCaptureFilter && engine.m_pCaptureBuilder);
    EXPECT_EQ(engine.m_hOwner, nullptr);

    EXPECT_EQ(NameOf(engine.m_pCaptureFilter.get()), L"Capture Filter");
    EXPECT_EQ(NameOf(engine.m_pGrabberFilter.get()), L"Grabber");
    EXPECT_EQ(NameOf(engine.m_pStillGrabberFilter.get()), L"GrabberStill");
    EXPECT_EQ(NameOf(engine.m_pNullRenderer.get()), L"NullRender");
    EXPECT_EQ(NameOf(engine.m_pNullRenderer2.get()), L"NullRender 0001");

    // The first format of the camera, RGB32 rows bottom-up.
    EXPECT_EQ(engine.m_nWidth, 640);
    EXPECT_EQ(engine.m_nHeight, 480);
    EXPECT_EQ(FrameCallback.Width.load(), 640);
    EXPECT_EQ(FrameCallback.Height.load(), 480);
    EXPECT_EQ(StillCallback.Width.load(), 640);
    EXPECT_EQ(StillCallback.Height.load(), 480);
    EXPECT_TRUE(Running(engine.m_pMediaControl.get()));
    EXPECT_TRUE(WaitFor([] { return BufferedSize() == 640 * 480 * 4; }));
    // The start-up still trigger reaches the still sink, whose request the live sink
    // hands to the picture writer with the next frame: one picture of a whole frame.
    EXPECT_TRUE(WaitFor([] { return pictures.load() > 0; }));
    EXPECT_EQ(pictures.load(), 1);
    EXPECT_EQ(pictureLength.load(), 640 * 480 * 4);
}

TEST_F(CaptureGraph, DeviceWithoutStillPinBuildsSilentlyWithoutStillBranch) {
    AddCameras("Plain Camera", {false});
    const int position = PositionOf("Plain Camera 1");
    ASSERT_GE(position, 0);
    EXPECT_EQ(engine.OpenDevice(position), 0);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(engine.TriggerStillPin(), E_NOINTERFACE);
    EXPECT_TRUE(WaitFor([] { return BufferedSize() > 0; }));
    EXPECT_EQ(pictures.load(), 0);  // no still image, no picture
    // The still grabber is in the graph but not connected.
    IEnumPins* pins = nullptr;
    ASSERT_EQ(engine.m_pStillGrabberFilter->EnumPins(&pins), S_OK);
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        IPin* peer = nullptr;
        EXPECT_TRUE(FAILED(pin->ConnectedTo(&peer)));
        if (peer) peer->Release();
        pin->Release();
    }
    pins->Release();
}

TEST_F(CaptureGraph, ResetLeavesExactlyTheFiveOwnFiltersUnderTheSecondNames) {
    AddCameras("Reset Camera", {true});
    ASSERT_EQ(engine.OpenDevice(PositionOf("Reset Camera 1")), 0);
    // The builder inserted a converter at least (the camera sends YUY2).
    EXPECT_GT(FiltersOf(engine.m_pGraph.get()).size(), 5u);

    engine.m_pMediaControl->Stop();
    engine.ResetGraph();
    EXPECT_EQ(SortedNames(engine.m_pGraph.get()),
              (std::vector<std::wstring>{L"Capture source", L"Null renderer", L"Null renderer2",
                                         L"Sample grabber", L"Sample grabberStill"}));
    EXPECT_EQ(NameOf(engine.m_pCaptureFilter.get()), L"Capture source");

    // Reconnected and run again; the names stay.
    FreeFrameBuffer();
    EXPECT_EQ(engine.ConnectAndRun(), S_OK);  // the still trigger's result
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_TRUE(Running(engine.m_pMediaControl.get()));
    EXPECT_TRUE(WaitFor([] { return BufferedSize() == 640 * 480 * 4; }));
    EXPECT_EQ(NameOf(engine.m_pCaptureFilter.get()), L"Capture source");
    EXPECT_EQ(NameOf(engine.m_pGrabberFilter.get()), L"Sample grabber");
}

TEST_F(CaptureGraph, ResetWithoutStillBranchStillKeepsTheFiveFilters) {
    AddCameras("Reset Plain", {false});
    ASSERT_EQ(engine.OpenDevice(PositionOf("Reset Plain 1")), 0);
    engine.m_pMediaControl->Stop();
    engine.ResetGraph();
    EXPECT_EQ(FiltersOf(engine.m_pGraph.get()).size(), 5u);
}

TEST_F(CaptureGraph, NegativePositionReturnsOneWithoutMessage) {
    AddCameras("Any Camera", {false});
    EXPECT_EQ(engine.OpenDevice(-1), 1);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_FALSE(engine.m_pCaptureFilter);
}

class PastTheLastDevice : public CaptureGraph, public ::testing::WithParamInterface<int> {};

TEST_P(PastTheLastDevice, FailsWithTheBuildMessageInTheChosenLanguage) {
    AddCameras("Only Camera", {false});
    DeviceListWindow list;
    const int count = engine.EnumDevices(&list);
    ASSERT_GE(count, 1);
    LanguageFlag = GetParam();
    const HRESULT hr = engine.OpenDevice(count);
    EXPECT_TRUE(FAILED(hr));
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(messages.texts[0], LoadStringForLanguage(152, GetParam()));
    EXPECT_EQ(messages.texts[0], GetParam() ? QStringLiteral("Невозможно построить график!")
                                            : QStringLiteral("Can’t build the graph"));
    // The main window sees no open device.
    EXPECT_FALSE(engine.m_pCaptureFilter && engine.m_pCaptureBuilder);
}

INSTANTIATE_TEST_SUITE_P(Languages, PastTheLastDevice, ::testing::Values(0, 1),
                         [](const auto& p) { return p.param ? "Russian" : "English"; });

// A class the runtime cannot create: the step that needs it fails with its message.
struct MissingClass {
    const char* name;
    CLSID clsid;
    int russianId;
};

class MissingClasses : public CaptureGraph, public ::testing::WithParamInterface<MissingClass> {
protected:
    void TearDown() override {
        for (const auto& [clsid, factory] : BuiltInMediaClasses()) CoRegisterClass(clsid, factory);
        CaptureGraph::TearDown();
    }
};

TEST_P(MissingClasses, StepFailsWithItsMessageAndCode) {
    AddCameras("Class Camera", {false});
    const int position = PositionOf("Class Camera 1");
    ASSERT_GE(position, 0);
    CoRegisterClass(GetParam().clsid, [](REFIID, void** object) {
        *object = nullptr;
        return REGDB_E_CLASSNOTREG;
    });
    LanguageFlag = 0;
    const HRESULT hr = engine.OpenDevice(position);
    EXPECT_TRUE(FAILED(hr));
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(messages.texts[0], LoadStringForLanguage(GetParam().russianId, 0));
}

INSTANTIATE_TEST_SUITE_P(Classes, MissingClasses,
                         ::testing::Values(MissingClass{"CaptureGraphBuilder",
                                                        CLSID_CaptureGraphBuilder2, 158},
                                           MissingClass{"FilterGraph", CLSID_FilterGraph, 158},
                                           MissingClass{"SampleGrabber", CLSID_SampleGrabber, 160}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(CaptureGraph, OpeningTwiceBuildsAFreshGraphAndStopsTheOld) {
    AddCameras("Twice Camera", {true});
    const int position = PositionOf("Twice Camera 1");
    ASSERT_EQ(engine.OpenDevice(position), 0);
    ComPtr<IGraphBuilder> oldGraph = engine.m_pGraph;
    ComPtr<IMediaControl> oldControl = engine.m_pMediaControl;
    ComPtr<IBaseFilter> oldCapture = engine.m_pCaptureFilter;
    ComPtr<IBaseFilter> oldGrabber = engine.m_pGrabberFilter;

    ASSERT_EQ(engine.OpenDevice(position), 0);
    EXPECT_NE(engine.m_pGraph.get(), oldGraph.get());
    EXPECT_NE(engine.m_pCaptureFilter.get(), oldCapture.get());
    EXPECT_NE(engine.m_pGrabberFilter.get(), oldGrabber.get());
    EXPECT_FALSE(Running(oldControl.get()));
    EXPECT_TRUE(Running(engine.m_pMediaControl.get()));
    EXPECT_EQ(NameOf(engine.m_pCaptureFilter.get()), L"Capture Filter");
    // The engine holds nothing of the old graph: ours are the last references.
    oldControl = nullptr;
    oldCapture = nullptr;
    oldGrabber = nullptr;
    EXPECT_EQ(oldGraph.detach()->Release(), 0u);
}

TEST_F(CaptureGraph, ReleaseWithoutGraphOnlyClearsTheOwner) {
    engine.m_hOwner = reinterpret_cast<HWND>(&engine);
    engine.m_nWidth = 320;
    engine.ReleaseGraph();
    EXPECT_EQ(engine.m_hOwner, nullptr);
    EXPECT_EQ(engine.m_nWidth, 320);
    EXPECT_FALSE(engine.m_pGraph);
}

TEST_F(CaptureGraph, ReleaseKeepsTheSizeAndDropsEveryInterface) {
    AddCameras("Release Camera", {true});
    ASSERT_EQ(engine.OpenDevice(PositionOf("Release Camera 1")), 0);
    engine.ReleaseGraph();
    EXPECT_FALSE(engine.m_pCaptureFilter || engine.m_pCaptureBuilder || engine.m_pGraph ||
                 engine.m_pMediaControl || engine.m_pVideoWindow || engine.m_pGrabber ||
                 engine.m_pStillGrabber || engine.m_pGrabberFilter ||
                 engine.m_pStillGrabberFilter || engine.m_pNullRenderer || engine.m_pNullRenderer2);
    EXPECT_EQ(engine.m_nWidth, 640);
    EXPECT_EQ(engine.m_nHeight, 480);
}

TEST_F(CaptureGraph, DestructionStopsTheRunningGraphThenFreesTheFrameBuffer) {
    AddCameras("Exit Camera", {true});
    ComPtr<IMediaControl> control;
    ComPtr<IGraphBuilder> graph;
    {
        CCaptureVideo local;
        DeviceListWindow list;
        local.EnumDevices(&list);
        ASSERT_EQ(local.OpenDevice(static_cast<int>(list.entries.indexOf("Exit Camera 1"))), 0);
        ASSERT_TRUE(WaitFor([] { return BufferedSize() > 0; }));
        control = local.m_pMediaControl;
        graph = local.m_pGraph;
    }
    // Stopped by the engine before it let go: the graph we still hold is not running.
    EXPECT_FALSE(Running(control.get()));
    WithFrameBuffer([](const BYTE* frame, LONG size) {
        EXPECT_EQ(frame, nullptr);
        EXPECT_EQ(size, 0);
    });
    control = nullptr;
    EXPECT_EQ(graph.detach()->Release(), 0u);
}

TEST_F(CaptureGraph, FreeMediaTypeFreesTheBlockAndTheReferenceButKeepsTheRecord) {
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Video;
    mt.cbFormat = sizeof(VIDEOINFOHEADER);
    mt.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(mt.cbFormat));
    engine.FreeMediaType(mt);
    EXPECT_EQ(mt.cbFormat, 0u);
    EXPECT_EQ(mt.pbFormat, nullptr);
    EXPECT_TRUE(mt.majortype == MEDIATYPE_Video);
}

}  // namespace
