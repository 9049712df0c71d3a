// Device notices in bursts: cameras plugged and pulled faster than the window can reopen, raw
// WM_DEVICECHANGE posts of every kind, and a burst while an engine message box is open. The
// window survives and ends with the menu of the cameras present and the last one open.
#include <atomic>
#include <thread>

#include "WindowSupport.h"

using namespace e2e;

namespace {

QStringList Present() {
    QStringList names;
    for (const std::string& n : VirtualCameraProvider::cameras()) names << n.c_str();
    return names;
}

class NoticeFaults : public WindowTest {
protected:
    // The window has caught up with the cameras present: menu and list in their order, the
    // last one checked and open, no notice waiting.
    bool CaughtUp() const {
        const QStringList present = Present();
        return DeviceMenu() == present && dlg.DeviceList->count() == present.size() &&
               dlg.SelectedDevice == present.size() - 1 &&
               Checked(ID_DEVICE_FIRST + UINT(present.size() - 1)) && Open() &&
               !dlg.DeviceNoticeDeferred();
    }
    // One notice of the burst: a camera plugged or pulled (through the device monitor), or a
    // raw post of an arrival, a removal or another device event the window ignores. At most
    // three burst cameras: with the others never more than the eight a menu holds.
    void Notice(int i) {
        const auto name = [](int k) { return "Burst Camera " + std::to_string(k % 3); };
        if (i % 4 == 0) VirtualCameraProvider::addCamera(name(i / 4));
        if (i % 4 == 1) VirtualCameraProvider::removeCamera(name(i / 4 + 1));
        const WPARAM raw = i % 4 == 3   ? 0x0007  // nodes changed
                           : i % 8 == 2 ? DBT_DEVICEARRIVAL
                                        : DBT_DEVICEREMOVECOMPLETE;
        if (i % 4 >= 2) PostMessage(&dlg, WM_DEVICECHANGE, raw, 0);
    }
};

TEST_F(NoticeFaults, ThousandNoticesInABurstEndWithTheLastCameraOpen) {
    VirtualCameraProvider::addNumberedCameras(2);
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(Open());
    // Half the burst comes from another thread while the window handles the rest.
    std::atomic<bool> go{false};
    std::thread plugger([&] {
        while (!go) std::this_thread::yield();
        for (int i = 0; i < 250; ++i) {
            VirtualCameraProvider::addCamera("Thread Camera " + std::to_string(i % 2));
            VirtualCameraProvider::removeCamera("Thread Camera " + std::to_string((i + 1) % 2));
        }
    });
    go = true;
    for (int i = 0; i < 500; ++i) {
        Notice(i);
        if (i % 50 == 0) QCoreApplication::processEvents();
    }
    plugger.join();
    // Whatever the order of delivery, the window ends on the cameras present.
    ASSERT_TRUE(WaitFor([&] { return CaughtUp(); }, 120000)) << Present().join(", ").toStdString();
    // A camera pulled out between the listing and its opening is reported as a graph that
    // cannot be built; no other message may show.
    for (const QString& message : session.messages)
        EXPECT_EQ(message, LoadStringForLanguage(152, LanguageFlag));
    EXPECT_EQ(Operation(), kDeviceOpen);

    // And keeps up with the next single change.
    VirtualCameraProvider::addCamera("After The Burst");
    ASSERT_TRUE(WaitFor([&] { return CaughtUp(); }, 30000))
        << "present: " << Present().join(", ").toStdString()
        << "; menu: " << DeviceMenu().join(", ").toStdString()
        << "; selected: " << dlg.SelectedDevice << "; open: " << Open();
    EXPECT_EQ(DeviceMenu().last(), "After The Burst");
}

// The notices reach the window in the box's own event loop: none may touch the graph or the
// list while the operation runs; once it has returned, the window catches up.
TEST_F(NoticeFaults, BurstWhileAMessageBoxIsOpenIsHandledOnceItCloses) {
    VirtualCameraProvider::addNumberedCameras(2);
    ASSERT_TRUE(dlg.Create());
    int listedAfterBurst = -1;
    bool deferred = false;
    session.onMessage = [&](const QString&) {
        if (listedAfterBurst >= 0) return;
        RestoreClasses();
        for (int i = 0; i < 200; ++i) {
            Notice(i);
            if (i % 20 == 0) QCoreApplication::processEvents();
        }
        deferred = WaitFor([&] { return dlg.DeviceNoticeDeferred(); });
        WaitFor([] { return false; }, 300);
        listedAfterBurst = dlg.DeviceList->count();
    };
    BreakSampleGrabbers();
    Choose(ID_DEVICE_FIRST);
    RestoreClasses();
    EXPECT_TRUE(deferred);
    EXPECT_EQ(listedAfterBurst, 2);
    ASSERT_TRUE(WaitFor([&] { return CaughtUp(); }, 60000)) << Present().join(", ").toStdString();
    EXPECT_EQ(session.messages.size(), 1);
}

}  // namespace
