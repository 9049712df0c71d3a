// Filter and Resolution on the program's window with virtual cameras: Filter leaves the
// window as it is, the window and FrameInfo follow the frame size chosen on Resolution's
// page; device notices that arrive while a property frame is open wait for it to close.
#include <QSlider>

#include "WindowSupport.h"
#include "media/pages/PropertyFrame.h"
#include "media/pages/StreamFormatPage.h"

using namespace e2e;
using lumi::pages::PropertyFrame;

namespace {

class ResolutionWindow : public WindowTest {
protected:
    void TearDown() override { PropertyFrame::setShownHook(nullptr); }
    // Every frame shown is handed to hook, which must close it.
    void OnFrame(std::function<void(PropertyFrame&)> hook) {
        PropertyFrame::setShownHook([this, hook](PropertyFrame& frame) {
            ++frames;
            hook(frame);
        });
    }
    int frames = 0;
};

// A camera plugged in while the settings pages are open: graph and device menu stay, the page
// acts on the camera it was opened for. That camera unplugged while the format pages are open:
// the command completes on it (the window refits and centres for 1280 x 720). Each notice is
// handled once the frame has closed: the last camera listed opens, the window fits it.
TEST_F(ResolutionWindow, NoticesWhileAPropertyFrameIsOpenWaitForIt) {
    ASSERT_NO_FATAL_FAILURE(Start());
    VirtualCamera camera = OpenCamera();
    ASSERT_TRUE(camera.valid());
    const ComPtr<IBaseFilter> filter = Engine().m_pCaptureFilter;
    const int brightness = lumi::devices::cid::kBrightness;
    bool deferred = false;
    OnFrame([&](PropertyFrame& frame) {
        VirtualCameraProvider::addCamera("Late Camera");
        deferred = WaitFor([&] { return dlg.DeviceNoticeDeferred(); });
        EXPECT_EQ(DeviceMenu(), QStringList{"Virtual Camera 1"});
        EXPECT_EQ(Engine().m_pCaptureFilter.get(), filter.get());
        auto* slider = frame.findChild<QSlider*>(QStringLiteral("slider:%1").arg(brightness));
        ASSERT_NE(slider, nullptr);
        slider->setValue(slider->value() + 10);
        EXPECT_EQ(camera.control(brightness), 10);
        frame.ok();
    });
    ASSERT_TRUE(Choose(ID_FILTER));
    EXPECT_TRUE(deferred);
    EXPECT_EQ(camera.control(brightness), 10);  // OK kept it
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    ASSERT_TRUE(WaitFor([&] { return DeviceMenu().size() == 2 && dlg.SelectedDevice == 1; }));
    EXPECT_NE(Engine().m_pCaptureFilter.get(), filter.get());
    EXPECT_TRUE(WaitForFrames(2));

    deferred = false;
    OnFrame([&](PropertyFrame& frame) {
        ASSERT_TRUE(VirtualCameraProvider::removeCamera("Late Camera"));
        deferred = WaitFor([&] { return dlg.DeviceNoticeDeferred(); });
        EXPECT_EQ(DeviceMenu().size(), 2);
        auto* format = dynamic_cast<lumi::pages::StreamFormatPage*>(frame.page(0));
        ASSERT_NE(format, nullptr);
        EXPECT_TRUE(format->choose(MEDIASUBTYPE_YUY2, 1280, 720));
        frame.ok();
    });
    ASSERT_TRUE(Choose(ID_RESOLUTION));
    EXPECT_TRUE(deferred);
    EXPECT_EQ(DeviceMenu().size(), 2);  // the notice it deferred is still to come
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(1293, 778));
    EXPECT_TRUE(Centred());
    EXPECT_EQ(QSize(FrameInfo.biWidth, FrameInfo.biHeight), QSize(1280, 720));
    EXPECT_EQ(Operation(), kDeviceOpen);
    EXPECT_FALSE(dlg.DeviceNoticeDeferred());
    ASSERT_TRUE(WaitFor([&] { return DeviceMenu().size() == 1 && dlg.SelectedDevice == 0; }));
    EXPECT_EQ(DeviceMenu(), QStringList{"Virtual Camera 1"});
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    EXPECT_TRUE(WaitForFrames(2));
    EXPECT_TRUE(session.messages.isEmpty());
}

}  // namespace
