// The device menu and hot-plug on virtual cameras: rebuild and reopen on every notice,
// the eight acting commands, choosing again, refitting, failed opens and notices that
// arrive while an engine operation shows a message.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

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

constexpr UINT kOperation[] = {ID_SNAP,       ID_START_RECORDER, ID_STOP_RECORDER,
                               ID_CROSSHAIRS, ID_FILTER,         ID_RESOLUTION};

CCaptureVideo& Engine() {
    return theApp.m_CaptureVideo;
}

bool Open() {
    return Engine().m_pCaptureFilter && Engine().m_pCaptureBuilder;
}

bool Checked(const CLumivisorDlg& dlg, UINT id) {
    QAction* item = FindMenuCommand(dlg.MenuBar(), id);
    return item != nullptr && item->isChecked();
}

QStringList DeviceMenu(const CLumivisorDlg& dlg) {
    return MenuTexts(GetSubMenu(dlg.MenuBar(), 1));
}

bool Centred(const CLumivisorDlg& dlg) {
    return dlg.frameGeometry().center() ==
           QGuiApplication::primaryScreen()->availableGeometry().center();
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

TEST(DeviceHotplug, UnpluggingTheOpenCameraReopensTheLastRemainingOne) {
    Session session;
    VirtualCameraProvider::addNumberedCameras(2);
    CLumivisorDlg dlg;
    dlg.Create();
    ASSERT_EQ(dlg.SelectedDevice, 1);
    const ComPtr<IGraphBuilder> before = Engine().m_pGraph;  // kept: no address reuse

    ASSERT_TRUE(VirtualCameraProvider::removeCamera("Virtual Camera 2"));
    ASSERT_TRUE(WaitFor([&] { return DeviceMenu(dlg) == QStringList{"Virtual Camera 1"}; }));
    EXPECT_EQ(dlg.SelectedDevice, 0);
    EXPECT_TRUE(Checked(dlg, 40056));
    EXPECT_TRUE(Open());
    EXPECT_NE(Engine().m_pGraph.get(), before.get());
    EXPECT_TRUE(session.messages.isEmpty());
}

TEST(DeviceHotplug, UnpluggingTheOnlyCameraEmptiesTheMenuAndPluggingOneReopens) {
    Session session;
    VirtualCameraProvider::addNumberedCameras(1);
    CLumivisorDlg dlg;
    dlg.Create();
    ASSERT_TRUE(Open());

    VirtualCameraProvider::removeAll();
    ASSERT_TRUE(WaitFor([&] { return DeviceMenu(dlg).isEmpty(); }));
    EXPECT_EQ(dlg.DeviceList->count(), 0);
    EXPECT_EQ(dlg.SelectedDevice, -1);
    for (UINT id : kOperation) EXPECT_FALSE(FindMenuCommand(dlg.MenuBar(), id)->isEnabled());

    // The user moved and sized the window; the reopen fits and centres it again.
    dlg.resize(400, 300);
    dlg.move(5, 5);
    VirtualCameraProvider::addCamera("Plugged Camera");
    ASSERT_TRUE(WaitFor([&] { return dlg.SelectedDevice == 0; }));
    EXPECT_EQ(DeviceMenu(dlg), QStringList{"Plugged Camera"});
    EXPECT_TRUE(Checked(dlg, 40056));
    EXPECT_TRUE(Open());
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    EXPECT_TRUE(Centred(dlg));
    EXPECT_TRUE(FindMenuCommand(dlg.MenuBar(), ID_SNAP)->isEnabled());
}

TEST(DeviceHotplug, PluggingASecondCameraOpensTheLastEntryAnewAfterEndingARecording) {
    Session session;
    VirtualCameraProvider::addCamera("Camera B");
    CLumivisorDlg dlg;
    dlg.Create();
    ASSERT_TRUE(Open());
    dlg.IsRecording = true;
    dlg.UpdateOperationMenu();
    const ComPtr<IGraphBuilder> before = Engine().m_pGraph;  // kept: no address reuse

    VirtualCameraProvider::addCamera("Camera A");
    ASSERT_TRUE(WaitFor([&] { return dlg.DeviceList->count() == 2 && Open(); }));
    EXPECT_EQ(dlg.SelectedDevice, 1);
    EXPECT_TRUE(Checked(dlg, 40057));
    EXPECT_NE(Engine().m_pGraph.get(), before.get());
    // The recording ended before the graph went: the new device opens in the device-open
    // state (the recording files themselves are checked in the command tests).
    EXPECT_FALSE(dlg.IsRecording);
    EXPECT_FALSE(FindMenuCommand(dlg.MenuBar(), ID_STOP_RECORDER)->isEnabled());
    EXPECT_TRUE(FindMenuCommand(dlg.MenuBar(), ID_START_RECORDER)->isEnabled());
}

TEST(DeviceHotplug, NineDevicesLeaveTheNinthInertAndOpenNothing) {
    Session session;
    VirtualCameraProvider::addNumberedCameras(9);
    CLumivisorDlg dlg;
    dlg.Create();
    QList<UINT> ids;
    for (UINT id = 40056; id <= 40064; ++id) ids << id;
    EXPECT_EQ(MenuIds(GetSubMenu(dlg.MenuBar(), 1)), ids);
    EXPECT_EQ(dlg.SelectedDevice, -1);
    EXPECT_FALSE(Engine().m_pGraph);
    FindMenuCommand(dlg.MenuBar(), 40064)->trigger();
    EXPECT_EQ(dlg.SelectedDevice, -1);
    EXPECT_FALSE(Engine().m_pGraph);
    EXPECT_FALSE(Checked(dlg, 40064));
    // The eighth acts.
    FindMenuCommand(dlg.MenuBar(), 40063)->trigger();
    EXPECT_EQ(dlg.SelectedDevice, 7);
    EXPECT_TRUE(Open());
}

TEST(DeviceHotplug, ChoosingTheCheckedDeviceAgainChangesNothing) {
    Session session;
    VirtualCameraProvider::addNumberedCameras(2);
    CLumivisorDlg dlg;
    dlg.Create();
    IGraphBuilder* graph = Engine().m_pGraph.get();
    dlg.resize(500, 400);
    FindMenuCommand(dlg.MenuBar(), 40057)->trigger();
    EXPECT_EQ(Engine().m_pGraph.get(), graph);
    EXPECT_EQ(dlg.size(), QSize(500, 400));
    EXPECT_TRUE(Checked(dlg, 40057));
}

TEST(DeviceHotplug, EverySuccessfulOpenRefitsAndRecentres) {
    Session session;
    VirtualCameraProvider::addNumberedCameras(2);
    CLumivisorDlg dlg;
    dlg.Create();
    dlg.resize(420, 310);
    dlg.move(3, 4);
    FindMenuCommand(dlg.MenuBar(), 40056)->trigger();
    EXPECT_TRUE(Checked(dlg, 40056));
    EXPECT_FALSE(Checked(dlg, 40057));
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    EXPECT_TRUE(Centred(dlg));
}

TEST(DeviceHotplug, FailedOpenLetsTheSameEntryRetryAndKeepsTheCheckMark) {
    Session session;
    VirtualCameraProvider::addNumberedCameras(2);
    CLumivisorDlg dlg;
    dlg.Create();
    ASSERT_EQ(dlg.SelectedDevice, 1);

    BreakSampleGrabbers();
    FindMenuCommand(dlg.MenuBar(), 40056)->trigger();
    RestoreClasses();
    ASSERT_EQ(session.messages.size(), 1);
    EXPECT_EQ(session.messages[0], LoadStringForLanguage(160, 0));
    EXPECT_EQ(dlg.SelectedDevice, -1);
    EXPECT_TRUE(Checked(dlg, 40056));
    EXPECT_FALSE(Engine().m_pGrabberFilter);  // the build stopped at the grabber
    // The window keeps the size of the last open.
    EXPECT_EQ(dlg.VideoWidth, 640);

    FindMenuCommand(dlg.MenuBar(), 40056)->trigger();
    EXPECT_EQ(dlg.SelectedDevice, 0);
    EXPECT_TRUE(Open());
    EXPECT_EQ(session.messages.size(), 1);
}

TEST(DeviceHotplug, NoticeDuringAnEngineMessageIsHandledAfterTheOperation) {
    Session session;
    VirtualCameraProvider::addNumberedCameras(2);
    CLumivisorDlg dlg;
    dlg.Create();

    int listedDuringMessage = -1;
    bool deferred = false;
    session.onMessage = [&](const QString&) {
        if (listedDuringMessage >= 0) return;
        RestoreClasses();
        // A camera arrives while the box is up; its notice reaches the window in the
        // box's own event loop.
        VirtualCameraProvider::addCamera("Late Camera");
        deferred = WaitFor([&] { return dlg.DeviceNoticeDeferred(); });
        listedDuringMessage = dlg.DeviceList->count();
    };
    BreakSampleGrabbers();
    FindMenuCommand(dlg.MenuBar(), 40056)->trigger();
    RestoreClasses();

    EXPECT_TRUE(deferred);
    EXPECT_EQ(listedDuringMessage, 2);  // nothing rebuilt under the running operation
    ASSERT_TRUE(WaitFor([&] { return dlg.DeviceList->count() == 3 && Open(); }));
    EXPECT_FALSE(dlg.DeviceNoticeDeferred());
    EXPECT_EQ(dlg.SelectedDevice, 2);
    EXPECT_TRUE(Checked(dlg, 40058));
    EXPECT_EQ(session.messages.size(), 1);
}

}  // namespace
