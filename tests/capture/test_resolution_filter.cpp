// The Resolution and Filter operations of the capture engine on real graphs: the format
// pages on a stopped, stripped graph and the rebuild for the chosen format, the settings
// pages on the live picture, devices without pages, the stored height, and pages that
// outlive the engine's hold on the filter.
#include "media/GstHandle.h"  // first: WinTypes.h before GLib

#include <gtest/gtest.h>

#include <QPushButton>
#include <QSlider>
#include <QWidget>
#include <atomic>
#include <cstdlib>

#include "CaptureTestSupport.h"
#include "capture/CCaptureVideo.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/CSampleGrabberCBStill.h"
#include "frames/FrameState.h"
#include "frames/SnapshotHook.h"
#include "media/CaptureSourceFilter.h"
#include "media/GstFilter.h"
#include "media/MediaType.h"
#include "media/VirtualCameraProvider.h"
#include "media/pages/PropertyFrame.h"
#include "media/pages/StreamFormatPage.h"
#include "platform/MessageBox.h"
#include "resources/StringTable.h"
#include "settings/SharedState.h"

using namespace capturetest;
using lumi::devices::VirtualCamera;
using lumi::devices::VirtualCameraProvider;
using lumi::pages::PropertyFrame;
using lumi::pages::StreamFormatPage;

namespace {

std::atomic<int> pictures{0};

void CountPicture(CSampleGrabberCB&, LONG, BYTE*) {
    ++pictures;
}

const std::vector<std::wstring> kSecondNames{L"Capture source", L"Null renderer", L"Null renderer2",
                                             L"Sample grabber", L"Sample grabberStill"};

// A capture source of a driver without property pages: a live test picture (or, for a
// format nothing downstream accepts, no picture) on one capture output, whose stream
// configuration reports a stored format given by the test. Without pageInterface neither
// the filter nor the output offers ISpecifyPropertyPages; with it, both do and name no page.
class TestSource final : public GstFilter, public IAMStreamConfig, public ISpecifyPropertyPages {
public:
    TestSource(const char* caps, LONG storedWidth, LONG storedHeight, bool pageInterface)
        : GstFilter(GUID_NULL, nullptr),
          width_(storedWidth),
          height_(storedHeight),
          pageInterface_(pageInterface) {
        GstElement* source = addElement("videotestsrc");
        GstElement* format = addElement("capsfilter");
        g_object_set(source, "is-live", TRUE, nullptr);
        GstHandle<GstCaps> filter = GstHandle<GstCaps>::adopt(gst_caps_from_string(caps));
        g_object_set(format, "caps", filter.get(), nullptr);
        gst_element_link(source, format);  // fails for a format the test source cannot make
        GstHandle<GstPad> out = GstHandle<GstPad>::adopt(gst_element_get_static_pad(format, "src"));
        addPin(L"Capture", PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE, out.get());
    }

    HRESULT QueryInterface(REFIID riid, void** object) override {
        return GstFilter::QueryInterface(riid, object);
    }
    ULONG AddRef() override { return GstFilter::AddRef(); }
    ULONG Release() override { return GstFilter::Release(); }

    HRESULT queryPinInterface(GraphPin& pin, REFIID riid, void** object) override {
        if (riid == IID_IAMStreamConfig) return ComHandOut<IAMStreamConfig>(this, object);
        return GstFilter::queryPinInterface(pin, riid, object);
    }

    HRESULT SetFormat(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT GetFormat(AM_MEDIA_TYPE** mt) override {
        if (!mt) return E_POINTER;
        *mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        **mt = AM_MEDIA_TYPE{};
        (*mt)->majortype = MEDIATYPE_Video;
        (*mt)->subtype = MEDIASUBTYPE_YUY2;
        (*mt)->formattype = FORMAT_VideoInfo;
        auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
        *info = VIDEOINFOHEADER{};
        info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info->bmiHeader.biWidth = width_;
        info->bmiHeader.biHeight = height_;
        (*mt)->cbFormat = sizeof(VIDEOINFOHEADER);
        (*mt)->pbFormat = reinterpret_cast<BYTE*>(info);
        return S_OK;
    }
    HRESULT GetNumberOfCapabilities(int* count, int* size) override {
        if (!count || !size) return E_POINTER;
        *count = 0;
        *size = int(sizeof(VIDEO_STREAM_CONFIG_CAPS));
        return S_OK;
    }
    HRESULT GetStreamCaps(int, AM_MEDIA_TYPE**, BYTE*) override { return S_FALSE; }

    HRESULT GetPages(CAUUID* pages) override {
        if (!pages) return E_POINTER;
        *pages = CAUUID{0, nullptr};
        return S_OK;
    }

protected:
    HRESULT queryFilterInterface(REFIID riid, void** object) override {
        if (pageInterface_ && riid == IID_ISpecifyPropertyPages)
            return ComHandOut<ISpecifyPropertyPages>(this, object);
        return GstFilter::queryFilterInterface(riid, object);
    }

private:
    LONG width_;
    LONG height_;
    bool pageInterface_;
};

constexpr const char* kLiveYuy2 = "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1";
constexpr const char* kBayer = "video/x-bayer,format=rggb,width=640,height=480,framerate=30/1";

class ResolutionFilter : public ::testing::Test {
protected:
    void SetUp() override {
        VirtualCameraProvider::removeAll();
        LanguageFlag = 0;
        StillRequested = 0;
        PreviewFrozen = 0;
        FreeFrameBuffer();
        pictures = 0;
        SetSaveSnapshot(&CountPicture);
        owner.resize(800, 600);
        owner.move(100, 50);
        owner.show();
    }
    void TearDown() override {
        PropertyFrame::setShownHook(nullptr);
        engine.ReleaseGraph();
        SetSaveSnapshot(nullptr);
        VirtualCameraProvider::removeAll();
        StillRequested = 0;
        FreeFrameBuffer();
    }
    // Opens a new virtual camera; its handle.
    VirtualCamera OpenCamera(bool stillPin) {
        AddCameras("Pages Camera", {stillPin});
        DeviceListWindow list;
        engine.EnumDevices(&list);
        const int position = static_cast<int>(list.entries.indexOf("Pages Camera 1"));
        EXPECT_GE(position, 0);
        EXPECT_EQ(engine.OpenDevice(position), 0);
        auto* source = dynamic_cast<CaptureSourceFilter*>(engine.m_pCaptureFilter.get());
        return VirtualCamera::fromElement(source ? source->sourceElement() : nullptr);
    }
    // Puts source in the open graph in place of the camera's filter, where the device
    // enumerator would have bound it, and reconnects.
    HRESULT UseSource(IBaseFilter* source) {
        engine.m_pMediaControl->Stop();
        engine.ResetGraph();
        engine.m_pGraph->RemoveFilter(engine.m_pCaptureFilter.get());
        engine.m_pCaptureFilter = source;
        engine.m_pGraph->AddFilter(source, L"Capture source");
        return engine.ConnectAndRun();
    }
    // Every frame shown is handed to hook, which must close it.
    void OnFrame(std::function<void(PropertyFrame&)> hook) {
        PropertyFrame::setShownHook([this, hook](PropertyFrame& frame) {
            ++framesShown;
            hook(frame);
        });
    }
    bool Running() {
        OAFilterState state = State_Stopped;
        if (!engine.m_pMediaControl) return false;
        engine.m_pMediaControl->GetState(5000, &state);
        return state == State_Running;
    }
    static LONG BufferedSize() {
        LONG size = 0;
        WithFrameBuffer([&](const BYTE*, LONG s) { size = s; });
        return size;
    }
    // The grey level of the first pixel of the buffered frame: the bottom row, grey.
    static int BottomGrey() {
        int grey = -1;
        WithFrameBuffer([&](const BYTE* data, LONG size) {
            if (data != nullptr && size >= 4) grey = (data[0] + data[1] + data[2]) / 3;
        });
        return grey;
    }
    // Waits until the camera has sent n frames more.
    static bool FramesFlow(const VirtualCamera& camera, int n) {
        const uint64_t start = camera.framesSent();
        return WaitFor([&] { return camera.framesSent() >= start + uint64_t(n); });
    }

    CCaptureVideo engine;
    MessageRecorder messages;
    QWidget owner;
    int framesShown = 0;
};

TEST_F(ResolutionFilter, ChoosingAFrameSizeRebuildsThePreviewForItUnderTheSecondNames) {
    VirtualCamera camera = OpenCamera(true);
    ASSERT_TRUE(camera.valid());
    ASSERT_TRUE(WaitFor([] { return pictures.load() == 1; }));  // start-up still

    OnFrame([&](PropertyFrame& frame) {
        // Stopped and stripped while the pages are open: the five own filters, unconnected.
        EXPECT_FALSE(Running());
        EXPECT_EQ(SortedNames(engine.m_pGraph.get()), kSecondNames);
        EXPECT_EQ(frame.windowTitle(), "Properties");  // no caption
        EXPECT_EQ(frame.pos(), owner.mapToGlobal(QPoint(30, 30)));
        ASSERT_EQ(frame.pageCount(), 1);
        auto* format = dynamic_cast<StreamFormatPage*>(frame.page(0));
        ASSERT_NE(format, nullptr);
        EXPECT_TRUE(format->choose(MEDIASUBTYPE_YUY2, 1280, 720));
        frame.ok();
    });
    engine.ShowResolutionDialog(&owner);
    EXPECT_EQ(framesShown, 1);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();

    EXPECT_EQ(engine.m_nWidth, 1280);
    EXPECT_EQ(engine.m_nHeight, 720);
    EXPECT_EQ(FrameCallback.Width.load(), 1280);
    EXPECT_EQ(FrameCallback.Height.load(), 720);
    EXPECT_EQ(StillCallback.Width.load(), 1280);
    EXPECT_TRUE(Running());
    EXPECT_TRUE(WaitFor([] { return BufferedSize() == 1280 * 720 * 4; }));
    EXPECT_EQ(camera.currentFormat()->width, 1280);
    EXPECT_EQ(NameOf(engine.m_pCaptureFilter.get()), L"Capture source");
    EXPECT_EQ(NameOf(engine.m_pGrabberFilter.get()), L"Sample grabber");

    // The settings frame is then captioned with that name, at (0, 0) of the owner.
    OnFrame([&](PropertyFrame& frame) {
        EXPECT_EQ(frame.windowTitle(), "Capture source");
        EXPECT_EQ(frame.pos(), owner.mapToGlobal(QPoint(0, 0)));
        EXPECT_TRUE(Running());
        frame.cancel();
    });
    engine.ShowFilterDialog(&owner);
    EXPECT_EQ(framesShown, 2);
    EXPECT_TRUE(Running());
}

TEST_F(ResolutionFilter, ClosingTheFormatFrameUnchangedStillRebuildsRestartsAndTriggersOnce) {
    VirtualCamera camera = OpenCamera(true);
    ASSERT_TRUE(WaitFor([] { return pictures.load() == 1; }));
    ASSERT_EQ(NameOf(engine.m_pCaptureFilter.get()), L"Capture Filter");
    const uint64_t stills = camera.stillFramesSent();

    OnFrame([](PropertyFrame& frame) { frame.cancel(); });
    engine.ShowResolutionDialog(&owner);
    EXPECT_EQ(framesShown, 1);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(engine.m_nWidth, 640);
    EXPECT_EQ(engine.m_nHeight, 480);
    EXPECT_EQ(NameOf(engine.m_pCaptureFilter.get()), L"Capture source");
    EXPECT_TRUE(Running());
    ASSERT_TRUE(WaitFor([] { return pictures.load() == 2; }));
    // Live frames go on after the one picture, and no second still comes.
    ASSERT_TRUE(FramesFlow(camera, 10));
    EXPECT_EQ(camera.stillFramesSent(), stills + 1);
    EXPECT_EQ(pictures.load(), 2);
    EXPECT_EQ(StillRequested.load(), 0);
}

TEST_F(ResolutionFilter, BrightnessOnTheSettingsPageActsOnTheLivePictureAndDefaultRestoresIt) {
    VirtualCamera camera = OpenCamera(false);
    ASSERT_TRUE(WaitFor([] { return BufferedSize() == 640 * 480 * 4; }));
    const int before = BottomGrey();
    ASSERT_NEAR(before, 128, 6);

    bool brighter = false;
    bool restored = false;
    OnFrame([&](PropertyFrame& frame) {
        EXPECT_EQ(frame.windowTitle(), "Capture Filter");  // a fresh build's name
        auto* slider = frame.findChild<QSlider*>(
            QStringLiteral("slider:%1").arg(lumi::devices::cid::kBrightness));
        auto* defaults = frame.findChild<QPushButton*>(QStringLiteral("default"));
        ASSERT_TRUE(slider != nullptr && defaults != nullptr);
        slider->setValue(slider->value() + 30);  // +60 on the grey
        brighter = WaitFor([&] { return BottomGrey() > before + 40; });
        defaults->click();
        restored = WaitFor([&] { return std::abs(BottomGrey() - before) <= 2; });
        frame.cancel();
    });
    engine.ShowFilterDialog(&owner);
    EXPECT_EQ(framesShown, 1);
    EXPECT_TRUE(brighter);
    EXPECT_TRUE(restored) << BottomGrey() << " against " << before;
    EXPECT_EQ(camera.control(lumi::devices::cid::kBrightness), 0);
    EXPECT_EQ(NameOf(engine.m_pCaptureFilter.get()), L"Capture Filter");  // no rebuild
    EXPECT_TRUE(Running());
}

TEST_F(ResolutionFilter, DeviceWithoutPagesShowsNoFrameResolutionRestartsAndFilterOnlyRuns) {
    OpenCamera(false);
    const auto source =
        ComPtr<TestSource>::adopt(new TestSource(kLiveYuy2, 640, 480, /*pageInterface=*/false));
    UseSource(source.get());  // its result is the still trigger's: no trigger here
    ASSERT_TRUE(Running());
    OnFrame([](PropertyFrame& frame) { frame.cancel(); });

    FreeFrameBuffer();
    engine.ShowResolutionDialog(&owner);
    EXPECT_EQ(framesShown, 0);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_TRUE(Running());
    EXPECT_TRUE(WaitFor([] { return BufferedSize() == 640 * 480 * 4; }));

    // Filter: nothing shown, no rebuild; a stopped graph runs again.
    ComPtr<IPin> grabberInput;
    {
        ComPtr<IEnumPins> pins;
        ASSERT_EQ(engine.m_pGrabberFilter->EnumPins(pins.put()), S_OK);
        ComPtr<IPin> pin;
        while (pins->Next(1, pin.put(), nullptr) == S_OK) {
            PIN_DIRECTION dir{};
            pin->QueryDirection(&dir);
            if (dir == PINDIR_INPUT) grabberInput = pin;
        }
    }
    ComPtr<IPin> peerBefore;
    ASSERT_EQ(grabberInput->ConnectedTo(peerBefore.put()), S_OK);
    engine.m_pMediaControl->Stop();
    engine.ShowFilterDialog(&owner);
    EXPECT_EQ(framesShown, 0);
    EXPECT_TRUE(Running());
    ComPtr<IPin> peerAfter;
    ASSERT_EQ(grabberInput->ConnectedTo(peerAfter.put()), S_OK);
    EXPECT_EQ(peerAfter.get(), peerBefore.get());
    EXPECT_TRUE(messages.texts.isEmpty());
}

// A stored format with a negative height: m_nHeight holds its absolute value from the
// format read until the reconnection's frame-size step replaces it; a reconnection that
// fails before that step leaves the absolute value.
struct StoredHeightCase {
    const char* name;
    const char* caps;
    bool connects;
    int widthAfter;
    int heightAfter;
};

class StoredHeight : public ResolutionFilter,
                     public ::testing::WithParamInterface<StoredHeightCase> {};

TEST_P(StoredHeight, IsHeldAsItsAbsoluteValueUntilTheReconnectionReplacesIt) {
    const StoredHeightCase& c = GetParam();
    OpenCamera(false);
    // The output names no page, so no frame is shown, but the format is read.
    const auto source =
        ComPtr<TestSource>::adopt(new TestSource(c.caps, 320, -240, /*pageInterface=*/true));
    UseSource(source.get());
    messages.texts.clear();

    // What the engine holds when the reconnection reports a failure.
    std::vector<std::pair<int, int>> sizeAtMessage;
    SetMessageBoxHandler([&](HWND, const QString& text, const QString&, UINT) {
        messages.texts << text;
        sizeAtMessage.emplace_back(engine.m_nWidth, engine.m_nHeight);
        return IDOK;
    });
    engine.ShowResolutionDialog(&owner);
    SetMessageBoxHandler({});
    EXPECT_EQ(framesShown, 0);
    EXPECT_EQ(engine.m_nWidth, c.widthAfter);
    EXPECT_EQ(engine.m_nHeight, c.heightAfter);
    EXPECT_EQ(Running(), c.connects);
    if (c.connects) {
        EXPECT_TRUE(messages.texts.isEmpty());
        EXPECT_EQ(FrameCallback.Height.load(), 480);
    } else {
        ASSERT_EQ(messages.texts, QStringList{LoadStringForLanguage(152, 0)});
        EXPECT_EQ(sizeAtMessage, (std::vector<std::pair<int, int>>{{320, 240}}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    ResolutionFilter, StoredHeight,
    ::testing::Values(StoredHeightCase{"ReconnectionReplacesIt", kLiveYuy2, true, 640, 480},
                      StoredHeightCase{"FailedReconnectionKeepsIt", kBayer, false, 320, 240}),
    [](const auto& test) { return std::string(test.param.name); });

// The graph is let go while a frame is open (what a device change would do if it were not
// deferred): the pages keep acting on a filter that is still alive, and the engine does
// not rebuild or run a graph it no longer holds.
TEST_F(ResolutionFilter, PagesOpenWhenTheGraphIsReleasedActOnALiveFilterAndNothingIsRebuilt) {
    VirtualCamera camera = OpenCamera(false);
    ASSERT_TRUE(WaitFor([] { return BufferedSize() > 0; }));

    OnFrame([&](PropertyFrame& frame) {
        engine.ReleaseGraph();
        auto* slider = frame.findChild<QSlider*>(
            QStringLiteral("slider:%1").arg(lumi::devices::cid::kBrightness));
        ASSERT_NE(slider, nullptr);
        slider->setValue(slider->value() + 20);
        EXPECT_EQ(camera.control(lumi::devices::cid::kBrightness), 20);
        frame.cancel();
    });
    engine.ShowFilterDialog(&owner);
    EXPECT_EQ(framesShown, 1);
    EXPECT_EQ(camera.control(lumi::devices::cid::kBrightness), 0);  // Cancel took it back
    EXPECT_FALSE(engine.m_pCaptureFilter);
    EXPECT_FALSE(engine.m_pMediaControl);

    ASSERT_EQ(engine.OpenDevice(0), 0);
    const ComPtr<CaptureSourceFilter> shown(
        dynamic_cast<CaptureSourceFilter*>(engine.m_pCaptureFilter.get()));
    ASSERT_TRUE(shown);
    OnFrame([&](PropertyFrame& frame) {
        engine.ReleaseGraph();
        auto* format = dynamic_cast<StreamFormatPage*>(frame.page(0));
        ASSERT_NE(format, nullptr);
        EXPECT_TRUE(format->choose(MEDIASUBTYPE_YUY2, 1920, 1080));
        frame.ok();
    });
    engine.ShowResolutionDialog(&owner);
    EXPECT_EQ(framesShown, 2);
    EXPECT_EQ(shown->currentFormat().width, 1920);  // applied to the filter it was shown for
    EXPECT_EQ(engine.m_nWidth, 1920);
    EXPECT_EQ(engine.m_nHeight, 1080);
    EXPECT_FALSE(engine.m_pGraph);
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(ResolutionFilter, WithoutAnOpenDeviceNeitherDoesAnything) {
    OnFrame([](PropertyFrame& frame) { frame.cancel(); });
    engine.m_nWidth = 7;
    engine.m_nHeight = -5;
    engine.ShowResolutionDialog(&owner);
    engine.ShowFilterDialog(&owner);
    EXPECT_EQ(framesShown, 0);
    EXPECT_EQ(engine.m_nWidth, 7);
    EXPECT_EQ(engine.m_nHeight, -5);
    EXPECT_TRUE(messages.texts.isEmpty());
}

}  // namespace
