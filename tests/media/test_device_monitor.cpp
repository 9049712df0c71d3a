// Virtual cameras seen through the device monitor: the list in the monitor's order, and the
// arrival and removal notices posted to a window on the UI thread.
#include "platform/WindowMessage.h"  // first: its TRUE/FALSE precede GLib's macros

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <memory>
#include <thread>

#include "media/DeviceMonitor.h"
#include "media/VirtualCamera.h"
#include "media/VirtualCameraProvider.h"

using namespace lumi::devices;

namespace {

class NoticeWindow : public QObject {
public:
    std::vector<WPARAM> notices;
    bool offThread = false;

    bool event(QEvent* e) override {
        if (e->type() != WindowMessageEvent::eventType()) return QObject::event(e);
        auto* m = static_cast<WindowMessageEvent*>(e);
        if (m->message() == WM_DEVICECHANGE) {
            notices.push_back(m->wParam());
            if (QThread::currentThread() != QCoreApplication::instance()->thread())
                offThread = true;
        }
        return true;
    }

    // Runs the event loop until `count` notices arrived (bounded against a hang).
    bool waitFor(size_t count) {
        QElapsedTimer t;
        t.start();
        while (notices.size() < count && t.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return notices.size() >= count;
    }
};

std::vector<std::string> virtualNames(const DeviceMonitor& m) {
    std::vector<std::string> names;
    for (const DeviceInfo& d : m.devices())
        if (d.isVirtual) names.push_back(d.name);
    return names;
}

class DeviceMonitorTest : public ::testing::Test {
protected:
    void SetUp() override { VirtualCameraProvider::removeAll(); }
    void TearDown() override {
        monitor.stop();
        VirtualCameraProvider::removeAll();
    }
    DeviceMonitor monitor;
    NoticeWindow window;
};

constexpr WPARAM kArrival = DBT_DEVICEARRIVAL;
constexpr WPARAM kRemoval = DBT_DEVICEREMOVECOMPLETE;

TEST_F(DeviceMonitorTest, StartupListThenNoticesInOrderOnceEach) {
    EXPECT_EQ(VirtualCameraProvider::addCamera(), "Virtual Camera 1");
    EXPECT_EQ(VirtualCameraProvider::addCamera(), "Virtual Camera 2");
    monitor.registerWindow(&window);
    ASSERT_TRUE(monitor.start());

    std::vector<DeviceInfo> list = monitor.devices();
    ASSERT_EQ(virtualNames(monitor),
              (std::vector<std::string>{"Virtual Camera 1", "Virtual Camera 2"}));
    for (const DeviceInfo& d : list) {
        if (!d.isVirtual) continue;
        EXPECT_TRUE(d.devicePath.empty());
        ASSERT_TRUE(d.caps);
        EXPECT_EQ(gst_caps_get_size(d.caps.get()), VirtualCamera::formats().size());
    }

    // Added from another thread; the notice arrives on the UI thread. Being the first notice,
    // it also shows that the two start-up devices gave none.
    std::thread([] { VirtualCameraProvider::addCamera(); }).join();
    ASSERT_TRUE(window.waitFor(1));
    EXPECT_EQ(window.notices, (std::vector<WPARAM>{kArrival}));
    EXPECT_FALSE(window.offThread);
    EXPECT_EQ(
        virtualNames(monitor),
        (std::vector<std::string>{"Virtual Camera 1", "Virtual Camera 2", "Virtual Camera 3"}));

    ASSERT_TRUE(VirtualCameraProvider::removeCamera("Virtual Camera 2"));
    ASSERT_TRUE(window.waitFor(2));
    EXPECT_EQ(virtualNames(monitor),
              (std::vector<std::string>{"Virtual Camera 1", "Virtual Camera 3"}));

    // A quick burst keeps its order; the freed number is taken again and lands last.
    EXPECT_EQ(VirtualCameraProvider::addCamera("Scope"), "Scope");
    ASSERT_TRUE(VirtualCameraProvider::removeCamera("Scope"));
    EXPECT_EQ(VirtualCameraProvider::addCamera(), "Virtual Camera 2");
    ASSERT_TRUE(window.waitFor(5));
    // A last arrival: every notice before it has been delivered, so nothing came twice.
    VirtualCameraProvider::addCamera("Last");
    ASSERT_TRUE(window.waitFor(6));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.notices,
              (std::vector<WPARAM>{kArrival, kRemoval, kArrival, kRemoval, kArrival, kArrival}));
    EXPECT_EQ(virtualNames(monitor),
              (std::vector<std::string>{"Virtual Camera 1", "Virtual Camera 3", "Virtual Camera 2",
                                        "Last"}));
    EXPECT_FALSE(window.offThread);
}

TEST_F(DeviceMonitorTest, RestartSuppressesStartupListAgain) {
    VirtualCameraProvider::addNumberedCameras(2);
    monitor.registerWindow(&window);
    ASSERT_TRUE(monitor.start());
    monitor.stop();
    EXPECT_TRUE(monitor.devices().empty());
    ASSERT_TRUE(monitor.start());
    EXPECT_EQ(virtualNames(monitor).size(), 2u);
    VirtualCameraProvider::addCamera("Sentinel");
    ASSERT_TRUE(window.waitFor(1));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.notices, (std::vector<WPARAM>{kArrival}));
}

TEST_F(DeviceMonitorTest, DestroyedWindowIsSkipped) {
    auto gone = std::make_unique<NoticeWindow>();
    monitor.registerWindow(gone.get());
    monitor.registerWindow(&window);
    monitor.registerWindow(&window);  // once only
    ASSERT_TRUE(monitor.start());
    gone.reset();
    VirtualCameraProvider::addCamera();
    ASSERT_TRUE(window.waitFor(1));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.notices.size(), 1u);
    monitor.unregisterWindow(&window);
    VirtualCameraProvider::addCamera();
    VirtualCameraProvider::addCamera("Sentinel");
    NoticeWindow late;
    monitor.registerWindow(&late);
    // The two adds before `late` registered may reach it too (they are queued, not yet
    // handled); the window that left hears nothing more.
    ASSERT_TRUE(late.waitFor(1));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.notices.size(), 1u);
}

TEST_F(DeviceMonitorTest, DeviceCreatesVirtualCameraElement) {
    VirtualCameraProvider::addCamera("Plain");
    VirtualCameraProvider::addCamera("WithStill", {.stillPin = true});
    ASSERT_TRUE(monitor.start());
    int checked = 0;
    for (const DeviceInfo& d : monitor.devices()) {
        if (!d.isVirtual) continue;
        auto element = GstHandle<GstElement>::share(d.createElement("source"));  // sinks it
        ASSERT_TRUE(element);
        ASSERT_TRUE(VirtualCamera::isVirtualCamera(element.get()));
        EXPECT_STREQ(GST_OBJECT_NAME(element.get()), "source");
        VirtualCamera cam = VirtualCamera::fromElement(element.get());
        EXPECT_EQ(cam.hasStillPin(), d.name == "WithStill") << d.name;
        ++checked;
    }
    EXPECT_EQ(checked, 2);
}

TEST(VirtualCameraProviderTest, NamesAndCounts) {
    VirtualCameraProvider::removeAll();
    VirtualCameraProvider::addNumberedCameras(3);
    EXPECT_EQ(
        VirtualCameraProvider::cameras(),
        (std::vector<std::string>{"Virtual Camera 1", "Virtual Camera 2", "Virtual Camera 3"}));
    VirtualCameraProvider::addNumberedCameras(3);  // nothing new
    VirtualCameraProvider::addNumberedCameras(-1);
    EXPECT_EQ(VirtualCameraProvider::cameras().size(), 3u);
    EXPECT_EQ(VirtualCameraProvider::addCamera("Virtual Camera 2"), "");  // taken
    EXPECT_TRUE(VirtualCameraProvider::removeCamera("Virtual Camera 1"));
    EXPECT_FALSE(VirtualCameraProvider::removeCamera("Virtual Camera 1"));
    EXPECT_EQ(VirtualCameraProvider::addCamera(), "Virtual Camera 1");
    VirtualCameraProvider::removeAll();
    EXPECT_TRUE(VirtualCameraProvider::cameras().empty());
}

}  // namespace
