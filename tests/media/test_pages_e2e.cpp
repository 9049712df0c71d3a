// The pages on a running capture graph with a virtual camera: the settings page acts on the
// live picture while the frame is open, and the format page's choice becomes the size the
// reconnected graph delivers.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <atomic>
#include <cstdlib>

#include "MediaTestSupport.h"
#include "PagesTestSupport.h"
#include "media/MediaType.h"

namespace {

using namespace pagestest;
using lumi::devices::FrameRate;
using lumi::devices::PixelFormat;
using lumi::devices::VideoFormat;
using lumi::devices::VirtualCamera;
using lumi::pages::PropertyFrame;
using mediatest::EngineGraph;
using mediatest::WaitFor;
namespace cid = lumi::devices::cid;

class MediaPagesLive : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = mediatest::MakeVirtualSource({PixelFormat::Yuy2, 640, 480, FrameRate{30, 1}},
                                               false, &camera_);
        ASSERT_TRUE(source_);
        // The bottom-left pixel (first in DIB order) lies in the picture's grey half.
        graph_.frames.onFrame = [this](double, BYTE* data, LONG length) {
            if (length >= 3) grey_ = (data[0] + data[1] + data[2]) / 3;
        };
        ASSERT_EQ(graph_.build(source_.get()), S_OK);
        ASSERT_EQ(graph_.connect(), S_OK);
        ASSERT_EQ(graph_.control->Run(), S_OK);
        owner_.resize(640, 480);
        owner_.show();
    }
    void TearDown() override {
        PropertyFrame::setShownHook(nullptr);
        if (graph_.control) graph_.control->Stop();
    }
    // The grey level once frames rendered after now show it.
    bool GreyBecomes(const std::function<bool(int)>& pred) {
        return WaitFor([&] { return pred(grey_.load()); });
    }
    std::vector<CLSID> PagesOf(IUnknown* object) {
        ComPtr<ISpecifyPropertyPages> specify;
        EXPECT_EQ(object->QueryInterface(IID_ISpecifyPropertyPages, specify.putVoid()), S_OK);
        CAUUID pages{};
        EXPECT_EQ(specify->GetPages(&pages), S_OK);
        std::vector<CLSID> ids(pages.pElems, pages.pElems + pages.cElems);
        CoTaskMemFree(pages.pElems);
        return ids;
    }

    VirtualCamera camera_;
    ComPtr<CaptureSourceFilter> source_;
    EngineGraph graph_;
    std::atomic<int> grey_{-1};
    QWidget owner_;
};

TEST_F(MediaPagesLive, BrightnessOnThePageChangesTheLivePictureAndDefaultRestoresIt) {
    ASSERT_TRUE(GreyBecomes([](int g) { return g >= 0; }));
    const int before = grey_;
    EXPECT_NEAR(before, 128, 6);

    ComPtr<IUnknown> identity;
    ASSERT_EQ(graph_.capture->QueryInterface(IID_IUnknown, identity.putVoid()), S_OK);
    FILTER_INFO info{};
    ASSERT_EQ(graph_.capture->QueryFilterInfo(&info), S_OK);
    if (info.pGraph) info.pGraph->Release();
    bool brighter = false;
    bool restored = false;
    const HRESULT hr = RunFrame(
        [&](PropertyFrame& frame) {
            EXPECT_EQ(frame.windowTitle().toStdWString(), std::wstring(info.achName));
            auto* slider = Find<QSlider>(&frame, Named("slider", cid::kBrightness));
            auto* defaults = Find<QPushButton>(&frame, "default");
            ASSERT_TRUE(slider && defaults);
            slider->setValue(slider->value() + 30);  // +30 brightness: +60 on the grey
            brighter = GreyBecomes([&](int g) { return g > before + 40; });
            defaults->click();
            restored = GreyBecomes([&](int g) { return std::abs(g - before) <= 2; });
            frame.cancel();
        },
        &owner_, 0, 0, info.achName, {identity.get()}, PagesOf(graph_.capture.get()));
    EXPECT_EQ(hr, S_OK);
    EXPECT_TRUE(brighter) << "grey stayed at " << grey_;
    EXPECT_TRUE(restored) << "grey is " << grey_ << ", was " << before;
    EXPECT_EQ(camera_.control(cid::kBrightness), 0);
}

TEST_F(MediaPagesLive, ChoosingAFrameSizeOnTheFormatPageResizesTheReconnectedPicture) {
    ASSERT_TRUE(WaitFor([&] { return graph_.frames.buffers > 2; }));
    EXPECT_EQ(graph_.width, 640);
    // What the resolution command does around the frame: stop, strip, pages of the capture
    // output's stream configuration, frame at (30, 30) without caption, reconnect.
    ASSERT_EQ(graph_.control->Stop(), S_OK);
    graph_.reset();
    ComPtr<IAMStreamConfig> config;
    ASSERT_EQ(
        graph_.builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, graph_.capture.get(),
                                      IID_IAMStreamConfig, config.putVoid()),
        S_OK);
    const HRESULT hr = RunFrame(
        [&](PropertyFrame& frame) {
            EXPECT_EQ(frame.windowTitle(), "Properties");
            auto* sizes = Find<QComboBox>(&frame, "size");
            ASSERT_NE(sizes, nullptr);
            const int index = sizes->findText("1280 x 720");
            ASSERT_GE(index, 0);
            sizes->setCurrentIndex(index);
            Q_EMIT sizes->activated(index);
            frame.okButton()->click();
        },
        &owner_, 30, 30, nullptr, {config.get()}, PagesOf(config.get()));
    EXPECT_EQ(hr, S_OK);
    AM_MEDIA_TYPE* mt = nullptr;
    ASSERT_EQ(config->GetFormat(&mt), S_OK);
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
    EXPECT_EQ(vih->bmiHeader.biWidth, 1280);
    EXPECT_EQ(std::abs(vih->bmiHeader.biHeight), 720);
    DeleteMediaType(mt);

    const int before = graph_.frames.buffers;
    ASSERT_EQ(graph_.connect(), S_OK);
    EXPECT_EQ(graph_.width, 1280);
    EXPECT_EQ(std::abs(graph_.height), 720);
    ASSERT_EQ(graph_.control->Run(), S_OK);
    ASSERT_TRUE(WaitFor([&] { return graph_.frames.buffers > before + 2; }));
    EXPECT_EQ(graph_.frames.lastLength, 1280 * 720 * 3);
}

}  // namespace
