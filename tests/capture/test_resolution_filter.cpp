// Resolution and Filter of the capture engine on real graphs.
#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <gtest/gtest.h>

#include <QSlider>
#include <QWidget>

#include "CaptureTestSupport.h"
#include "frames/CSampleGrabberCBStill.h"
#include "frames/FrameState.h"
#include "media/graph/GstFilter.h"
#include "media/graph/MediaType.h"
#include "media/pages/PropertyFrame.h"
#include "media/pages/StreamFormatPage.h"
#include "resources/StringTable.h"
#include "settings/SharedState.h"

using namespace capturetest;
using lumi::devices::cid::kBrightness;
using lumi::pages::PropertyFrame;
using lumi::pages::StreamFormatPage;

namespace {

// A capture source without property pages over a live test picture; reports a given format.
class TestSource final : public GstFilter, public IAMStreamConfig, public ISpecifyPropertyPages {
public:
    TestSource(const char* caps, bool pageInterface)
        : GstFilter(GUID_NULL, nullptr), pages_(pageInterface) {
        GstElement* source = addElement("videotestsrc");
        GstElement* format = addElement("capsfilter");
        g_object_set(source, "is-live", TRUE, nullptr);
        auto filter = GstHandle<GstCaps>::adopt(gst_caps_from_string(caps));
        g_object_set(format, "caps", filter.get(), nullptr);
        gst_element_link(source, format);  // fails for a format the test source cannot make
        auto out = GstHandle<GstPad>::adopt(gst_element_get_static_pad(format, "src"));
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
    // A top-down RGB format, stored with a negative height.
    HRESULT GetFormat(AM_MEDIA_TYPE** mt) override {
        auto caps = GstHandle<GstCaps>::adopt(
            gst_caps_from_string("video/x-raw,format=BGR,width=320,height=240"));
        *mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        return MediaTypeFromCaps(caps.get(), *mt) ? S_OK : E_FAIL;
    }
    HRESULT GetNumberOfCapabilities(int* count, int* size) override {
        *count = *size = 0;
        return S_OK;
    }
    HRESULT GetStreamCaps(int, AM_MEDIA_TYPE**, BYTE*) override { return S_FALSE; }
    HRESULT GetPages(CAUUID* pages) override {
        *pages = CAUUID{0, nullptr};
        return S_OK;
    }

protected:
    HRESULT queryFilterInterface(REFIID riid, void** object) override {
        if (pages_ && riid == IID_ISpecifyPropertyPages)
            return ComHandOut<ISpecifyPropertyPages>(this, object);
        return GstFilter::queryFilterInterface(riid, object);
    }

private:
    bool pages_;
};

constexpr const char* kLiveYuy2 = "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1";
constexpr const char* kBayer = "video/x-bayer,format=rggb,width=640,height=480,framerate=30/1";

class ResolutionFilter : public EngineTest {
protected:
    // Puts source in the open graph in place of the camera's filter and reconnects.
    void UseSource(IBaseFilter* source) {
        engine.m_pMediaControl->Stop();
        engine.ResetGraph();
        engine.m_pGraph->RemoveFilter(engine.m_pCaptureFilter.get());
        engine.m_pCaptureFilter = source;
        engine.m_pGraph->AddFilter(source, L"Capture source");
        engine.ConnectAndRun();
    }
    // Every frame shown is handed to hook, which must close it.
    void OnFrame(std::function<void(PropertyFrame&)> hook) {
        PropertyFrame::setShownHook([this, hook](PropertyFrame& frame) {
            ++framesShown;
            hook(frame);
        });
    }
    QWidget owner;
    int framesShown = 0;
};

// Filter shows on the running graph; Resolution on the stripped graph, rebuilt for the size
// chosen or, closed unchanged, restarted with one still.
TEST_F(ResolutionFilter, FilterShowsOnTheRunningGraphResolutionRebuildsForTheChosenSize) {
    ASSERT_EQ(Open(true), 0);
    ASSERT_TRUE(WaitFor([] { return pictures == 1; }));  // start-up still, of a whole frame
    EXPECT_EQ(pictureLength, 640 * 480 * 4);
    OnFrame([&](PropertyFrame& frame) {
        EXPECT_EQ(frame.windowTitle(), "Capture Filter");
        EXPECT_TRUE(Running());
        frame.cancel();
    });
    engine.ShowFilterDialog(&owner);
    EXPECT_EQ(NameOf(engine.m_pCaptureFilter.get()), L"Capture Filter");  // no rebuild
    OnFrame([&](PropertyFrame& frame) {
        EXPECT_FALSE(Running());
        EXPECT_EQ(FiltersOf(engine.m_pGraph.get()).size(), 5u);  // stripped to the own five
        auto* format = dynamic_cast<StreamFormatPage*>(frame.page(0));
        ASSERT_NE(format, nullptr);
        EXPECT_TRUE(format->choose(MEDIASUBTYPE_YUY2, 1280, 720));
        frame.ok();
    });
    engine.ShowResolutionDialog(&owner);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();
    EXPECT_EQ(StillCallback.Width.load(), 1280);
    EXPECT_TRUE(WaitFor([] { return BufferedSize() == 1280 * 720 * 4; }));
    EXPECT_EQ(camera.currentFormat()->width, 1280);
    // Closed unchanged: rebuilt and restarted, with the one picture of the restart.
    ASSERT_TRUE(WaitFor([] { return pictures == 2; }));
    const uint64_t stills = camera.stillFramesSent();
    OnFrame([](PropertyFrame& frame) { frame.cancel(); });
    engine.ShowResolutionDialog(&owner);
    EXPECT_EQ(framesShown, 3);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(NameOf(engine.m_pCaptureFilter.get()), L"Capture source");
    ASSERT_TRUE(WaitFor([] { return pictures == 3; }));
    // Live frames go on, and no second still comes.
    const uint64_t sent = camera.framesSent();
    ASSERT_TRUE(WaitFor([&] { return camera.framesSent() >= sent + 10; }));
    EXPECT_EQ(camera.stillFramesSent(), stills + 1);
    EXPECT_EQ(pictures, 3);
    EXPECT_EQ(StillRequested.load(), 0);
}

// Without pages no frame shows and both run the graph again; with pages that are none, a
// stored negative height is held as its absolute value, also when reconnecting fails.
TEST_F(ResolutionFilter, DevicesWithoutPagesShowNoFrame) {
    ASSERT_EQ(Open(false), 0);
    const auto source = ComPtr<TestSource>::adopt(new TestSource(kLiveYuy2, false));
    UseSource(source.get());
    OnFrame([](PropertyFrame& frame) { frame.cancel(); });
    FreeFrameBuffer();
    engine.ShowResolutionDialog(&owner);
    EXPECT_TRUE(WaitFor([] { return BufferedSize() == 640 * 480 * 4; }));
    engine.m_pMediaControl->Stop();
    engine.ShowFilterDialog(&owner);
    EXPECT_TRUE(Running());
    EXPECT_TRUE(messages.texts.isEmpty());
    const auto bayer = ComPtr<TestSource>::adopt(new TestSource(kBayer, true));
    UseSource(bayer.get());
    QList<QSize> sizeAtMessage;
    messages.texts.clear();
    messages.onMessage = [&](const QString&) {
        sizeAtMessage << QSize(engine.m_nWidth, engine.m_nHeight);
    };
    engine.ShowResolutionDialog(&owner);
    messages.onMessage = nullptr;
    EXPECT_EQ(framesShown, 0);
    EXPECT_FALSE(Running());
    EXPECT_EQ(sizeAtMessage, QList<QSize>{QSize(320, 240)});
    EXPECT_EQ(messages.texts, QStringList{LoadStringForLanguage(152, 0)});
}

// The graph released while a frame is open: the pages act on a filter that is still alive;
// without an open device neither dialog shows. Without a still pin no picture comes.
TEST_F(ResolutionFilter, PagesOpenWhenTheGraphIsReleasedActOnALiveFilter) {
    ASSERT_EQ(Open(false), 0);
    ASSERT_TRUE(WaitFor([] { return BufferedSize() > 0; }));
    EXPECT_EQ(engine.TriggerStillPin(), E_NOINTERFACE);
    OnFrame([&](PropertyFrame& frame) {
        engine.ReleaseGraph();
        auto* brightness = frame.findChild<QSlider*>(QStringLiteral("slider:%1").arg(kBrightness));
        ASSERT_NE(brightness, nullptr);
        brightness->setValue(brightness->value() + 20);
        EXPECT_EQ(camera.control(kBrightness), 20);
        frame.cancel();
    });
    engine.ShowFilterDialog(&owner);
    EXPECT_EQ(camera.control(kBrightness), 0);  // Cancel took it back
    EXPECT_FALSE(engine.m_pCaptureFilter || engine.m_pMediaControl);
    engine.m_nHeight = -5;
    engine.ShowResolutionDialog(&owner);
    engine.ShowFilterDialog(&owner);
    EXPECT_EQ(framesShown, 1);
    EXPECT_EQ(engine.m_nHeight, -5);
    ASSERT_EQ(engine.OpenDevice(PositionOf("Engine Camera")), 0);
    const ComPtr<CaptureSourceFilter> shown(
        dynamic_cast<CaptureSourceFilter*>(engine.m_pCaptureFilter.get()));
    OnFrame([&](PropertyFrame& frame) {
        engine.ReleaseGraph();
        auto* format = dynamic_cast<StreamFormatPage*>(frame.page(0));
        ASSERT_NE(format, nullptr);
        EXPECT_TRUE(format->choose(MEDIASUBTYPE_YUY2, 1920, 1080));
        frame.ok();
    });
    engine.ShowResolutionDialog(&owner);
    EXPECT_EQ(framesShown, 2);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->currentFormat().width, 1920);  // applied to the filter it was shown for
    EXPECT_EQ(QSize(engine.m_nWidth, engine.m_nHeight), QSize(1920, 1080));
    EXPECT_FALSE(engine.m_pGraph);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(pictures, 0);  // no still pin: the still branch stayed silent
}

}  // namespace
