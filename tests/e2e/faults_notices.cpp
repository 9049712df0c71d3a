// Device notices in bursts: cameras plugged and pulled faster than the window can reopen,
// raw WM_DEVICECHANGE posts of every kind, and a burst while an engine message box is open.
// The window survives, ends with the device menu of the cameras present and the last one
// open; leaks show in the sanitizer run.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QMenuBar>
#include <atomic>
#include <thread>

#include "E2eSupport.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "media/MediaClasses.h"
#include "media/VirtualCameraProvider.h"
#include "platform/Menu.h"
#include "platform/WindowMessage.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "settings/SharedState.h"

using namespace e2e;
using lumi::devices::VirtualCameraProvider;

namespace {

constexpr int kBurst = 1000;

bool Open() {
    return theApp.m_CaptureVideo.m_pCaptureFilter && theApp.m_CaptureVideo.m_pCaptureBuilder;
}

QStringList Present() {
    QStringList names;
    for (const std::string& n : VirtualCameraProvider::cameras())
        names << QString::fromStdString(n);
    return names;
}

// The window has caught up with the cameras present: menu and list in their order, the
// last one checked and open.
bool CaughtUp(const CLumivisorDlg& dlg) {
    const QStringList present = Present();
    return MenuTexts(GetSubMenu(dlg.MenuBar(), 1)) == present &&
           dlg.DeviceList->count() == present.size() && dlg.SelectedDevice == present.size() - 1 &&
           Open() && !dlg.DeviceNoticeDeferred();
}

// One notice of the burst: a camera plugged or pulled (through the device monitor), or a
// raw post of an arrival, a removal or another device event the window ignores.
void Notice(CLumivisorDlg& dlg, int i) {
    // At most three burst cameras: with the others never more than the eight a menu holds.
    const std::string name = "Burst Camera " + std::to_string((i / 4) % 3);
    switch (i % 4) {
        case 0:
            VirtualCameraProvider::addCamera(name);
            break;
        case 1:
            VirtualCameraProvider::removeCamera("Burst Camera " + std::to_string((i / 4 + 1) % 3));
            break;
        case 2:
            PostMessage(&dlg, WM_DEVICECHANGE,
                        i % 8 == 2 ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE, 0);
            break;
        default:
            PostMessage(&dlg, WM_DEVICECHANGE, 0x0007 /* nodes changed */, 0);
            break;
    }
}

void BreakSampleGrabbers() {
    CoRegisterClass(CLSID_SampleGrabber, [](REFIID, void** object) {
        *object = nullptr;
        return REGDB_E_CLASSNOTREG;
    });
}

void RestoreClasses() {
    for (const auto& [clsid, factory] : BuiltInMediaClasses()) CoRegisterClass(clsid, factory);
}

TEST(NoticeFaults, ThousandNoticesInABurstEndWithTheLastCameraOpen) {
    Session session;
    VirtualCameraProvider::addNumberedCameras(2);
    CLumivisorDlg dlg;
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(Open());

    // Half the burst comes from another thread while the window handles the rest.
    std::atomic<bool> go{false};
    std::thread plugger([&] {
        while (!go) std::this_thread::yield();
        for (int i = 0; i < kBurst / 4; ++i) {
            VirtualCameraProvider::addCamera("Thread Camera " + std::to_string(i % 2));
            VirtualCameraProvider::removeCamera("Thread Camera " + std::to_string((i + 1) % 2));
        }
    });
    go = true;
    for (int i = 0; i < kBurst / 2; ++i) {
        Notice(dlg, i);
        if (i % 50 == 0) QCoreApplication::processEvents();
    }
    plugger.join();
    // Whatever the order of delivery, the window ends on the cameras present.
    ASSERT_TRUE(WaitFor([&] { return CaughtUp(dlg); }, 120000))
        << Present().join(", ").toStdString();
    // A camera pulled out between the listing and its opening is reported as a graph that
    // cannot be built; no other message may show.
    for (const QString& message : session.messages)
        EXPECT_EQ(message, LoadStringForLanguage(152, LanguageFlag));
    EXPECT_TRUE(FindMenuCommand(dlg.MenuBar(), ID_SNAP)->isEnabled());

    // And keeps up with the next single change.
    VirtualCameraProvider::addCamera("After The Burst");
    ASSERT_TRUE(WaitFor([&] { return CaughtUp(dlg); }, 30000))
        << "present: " << Present().join(", ").toStdString()
        << "; menu: " << MenuTexts(GetSubMenu(dlg.MenuBar(), 1)).join(", ").toStdString()
        << "; selected: " << dlg.SelectedDevice << "; open: " << Open();
    EXPECT_EQ(dlg.DeviceList->itemText(dlg.DeviceList->count() - 1), "After The Burst");
}

TEST(NoticeFaults, BurstWhileAMessageBoxIsOpenIsHandledOnceItCloses) {
    Session session;
    VirtualCameraProvider::addNumberedCameras(2);
    CLumivisorDlg dlg;
    ASSERT_TRUE(dlg.Create());

    int listedAfterBurst = -1;
    bool deferred = false;
    session.onMessage = [&](const QString&) {
        if (listedAfterBurst >= 0) return;
        RestoreClasses();
        for (int i = 0; i < 200; ++i) {
            Notice(dlg, i);
            if (i % 20 == 0) QCoreApplication::processEvents();
        }
        // The box's own event loop delivers the notices; none may touch the graph or list.
        deferred = WaitFor([&] { return dlg.DeviceNoticeDeferred(); });
        WaitFor([] { return false; }, 300);
        listedAfterBurst = dlg.DeviceList->count();
    };
    BreakSampleGrabbers();
    FindMenuCommand(dlg.MenuBar(), 40056)->trigger();
    RestoreClasses();

    EXPECT_TRUE(deferred);
    EXPECT_EQ(listedAfterBurst, 2);
    ASSERT_TRUE(WaitFor([&] { return CaughtUp(dlg); }, 60000))
        << Present().join(", ").toStdString();
    EXPECT_EQ(session.messages.size(), 1);
}

}  // namespace
