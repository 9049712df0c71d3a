// Devices and graphs telling their windows: the device monitor, the enumerator, a lost camera.
#include "platform/WindowMessage.h"  // first: its TRUE/FALSE precede GLib's macros

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <thread>

#include "MediaTestSupport.h"
#include "media/devices/DeviceMonitor.h"
#include "media/devices/virtual/VirtualCameraProvider.h"

using namespace mediatest;
using lumi::devices::DeviceInfo;
using lumi::devices::DeviceMonitor;
using lumi::devices::VirtualCameraProvider;
using Names = std::vector<std::string>;

namespace {

// Records the messages of one kind sent to it, and whether one came off the UI thread.
class NoticeWindow : public QObject {
public:
    explicit NoticeWindow(UINT message = WM_DEVICECHANGE) : message_(message) {}
    std::vector<WPARAM> notices;
    std::vector<LPARAM> params;
    bool offThread = false;

    bool event(QEvent* e) override {
        if (e->type() != WindowMessageEvent::eventType()) return QObject::event(e);
        auto* m = static_cast<WindowMessageEvent*>(e);
        if (m->message() == message_) {
            notices.push_back(m->wParam());
            params.push_back(m->lParam());
            offThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        }
        return true;
    }
    // Until count notices arrived, then whatever else is already queued.
    bool waitFor(size_t count) {
        const bool arrived = WaitFor([&] { return notices.size() >= count; });
        QCoreApplication::processEvents();
        return arrived;
    }

private:
    UINT message_;
};

Names VirtualNames(const DeviceMonitor& m) {
    Names names;
    for (const DeviceInfo& d : m.devices())
        if (d.isVirtual) names.push_back(d.name);
    return names;
}

// No notices for the start-up list; later one a change, in order, on the UI thread, to windows
// still registered and alive; a taken name refused, a freed number given again.
TEST(DeviceMonitorTest, StartupListThenNoticesInOrderOnceEach) {
    VirtualCameraProvider::removeAll();
    VirtualCameraProvider::addNumberedCameras(2);
    EXPECT_EQ(VirtualCameraProvider::addCamera("Virtual Camera 2"), "");
    DeviceMonitor monitor;
    NoticeWindow window;
    auto gone = std::make_unique<NoticeWindow>();
    monitor.registerWindow(gone.get());
    monitor.registerWindow(&window);
    monitor.registerWindow(&window);
    ASSERT_TRUE(monitor.start());
    gone.reset();
    ASSERT_EQ(VirtualNames(monitor), (Names{"Virtual Camera 1", "Virtual Camera 2"}));
    std::thread([] { VirtualCameraProvider::addCamera(); }).join();
    ASSERT_TRUE(VirtualCameraProvider::removeCamera("Virtual Camera 2"));
    EXPECT_FALSE(VirtualCameraProvider::removeCamera("Virtual Camera 2"));
    EXPECT_EQ(VirtualCameraProvider::addCamera(), "Virtual Camera 2");
    ASSERT_TRUE(window.waitFor(3));
    EXPECT_EQ(window.notices, (std::vector<WPARAM>{DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE,
                                                   DBT_DEVICEARRIVAL}));
    EXPECT_EQ(VirtualNames(monitor),
              (Names{"Virtual Camera 1", "Virtual Camera 3", "Virtual Camera 2"}));
    EXPECT_FALSE(window.offThread);
    monitor.unregisterWindow(&window);
    VirtualCameraProvider::addCamera("Unheard");
    NoticeWindow late;
    monitor.registerWindow(&late);
    ASSERT_TRUE(late.waitFor(1));
    EXPECT_EQ(window.notices.size(), 3u);
    monitor.stop();
    VirtualCameraProvider::removeAll();
}

// No camera gives S_FALSE and no list; a camera's unknown property reads nothing.
TEST(MediaDeviceEnumeration, NoCameraNoListUnknownPropertyNothing) {
    VirtualCameraProvider::removeAll();
    ComPtr<ICreateDevEnum> devices;
    ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ICreateDevEnum, devices.putVoid()),
              S_OK);
    IEnumMoniker* none = reinterpret_cast<IEnumMoniker*>(0x1);
    if (DeviceMonitor::instance().devices().empty()) {  // else a real camera is present
        EXPECT_EQ(devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &none, 0),
                  S_FALSE);
        EXPECT_EQ(none, nullptr);
    }
    ASSERT_EQ(VirtualCameraProvider::addCamera("Enum Camera"), "Enum Camera");
    ComPtr<IEnumMoniker> list;
    ASSERT_EQ(devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.put(), 0), S_OK);
    ComPtr<IMoniker> moniker;
    ComPtr<IPropertyBag> bag;
    ASSERT_EQ(list->Next(1, moniker.put(), nullptr), S_OK);
    ASSERT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.putVoid()), S_OK);
    VARIANT v;
    VariantInit(&v);
    EXPECT_TRUE(FAILED(bag->Read(L"NoSuchProperty", &v, nullptr)));
    EXPECT_EQ(v.vt, VT_EMPTY);
    VirtualCameraProvider::removeAll();
}

TEST(MediaGraphNotices, AMissingCameraFailsRunAndNotifiesTheOwnerOnItsThread) {
    NoticeWindow window(WM_GRAPHNOTIFY);
    auto source = ComPtr<CaptureSourceFilter>::adopt(
        new CaptureSourceFilter(gst_parse_bin_from_description(
                                    "v4l2src device=/dev/lumivisor-no-such-camera", TRUE, nullptr),
                                lumi::devices::V4l2Formats::fromCapsString(
                                    "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1"),
                                {}));
    EngineGraph g;
    ASSERT_EQ(g.build(source.get()), S_OK);
    ASSERT_EQ(g.connect(), S_OK);
    ComPtr<IMediaEventEx> events;
    ASSERT_EQ(g.graph.as(IID_IMediaEventEx, events), S_OK);
    ASSERT_EQ(events->SetNotifyWindow(reinterpret_cast<OAHWND>(static_cast<QObject*>(&window)),
                                      WM_GRAPHNOTIFY, 77),
              S_OK);
    EXPECT_TRUE(FAILED(g.control->Run()));
    ASSERT_TRUE(window.waitFor(1));
    EXPECT_FALSE(window.offThread);
    EXPECT_EQ(window.params, std::vector<LPARAM>(window.params.size(), 77));
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_DEVICE_LOST);
    EXPECT_EQ(g.control->Stop(), S_OK);
    events->SetNotifyWindow(0, 0, 0);
}

}  // namespace
