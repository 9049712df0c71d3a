// The program's window in a fresh session, its menu items and the engine behind it.
#pragma once

#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <mutex>
#include <vector>

#include "AviReader.h"
#include "E2eSupport.h"
#include "RecordingCheck.h"
#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/FrameState.h"
#include "media/MediaClasses.h"
#include "media/devices/virtual/VirtualCameraProvider.h"
#include "media/source/CaptureSourceFilter.h"
#include "platform/WindowMessage.h"
#include "platform/widgets/Menu.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "settings/SharedState.h"

namespace e2e {

using lumi::devices::VirtualCameraFault;
using lumi::devices::VirtualCameraProvider;

inline std::int32_t NextVideo() {
    std::lock_guard lock(SaveSettingsMutex);
    return NextVideoNumber;
}
// Until RegisterMediaClasses, a graph build fails for want of a sample grabber.
inline void BreakSampleGrabbers() {
    CoRegisterClass(CLSID_SampleGrabber,
                    [](REFIID, void** object) { return *object = nullptr, REGDB_E_CLASSNOTREG; });
}

// Enabled: Start recorder, Stop recorder, Snap, Crosshairs, Resolution, Filter.
using Enables = std::vector<bool>;
inline const Enables kNoDevice(6, false);
inline const Enables kDeviceOpen{true, false, true, true, true, true};
inline const Enables kRecording{false, true, false, false, false, false};

class WindowTest : public ::testing::Test {
protected:
    static CCaptureVideo& Engine() { return theApp.m_CaptureVideo; }
    static bool Open() { return Engine().m_pCaptureFilter && Engine().m_pCaptureBuilder; }
    // Cameras "Virtual Camera 1".."n"; the window opens the last and shows its picture.
    void Start(int cameras = 1) {
        VirtualCameraProvider::addNumberedCameras(cameras);
        dlg.Create();
        ASSERT_TRUE(WaitForFrames(2));
    }
    bool WaitForFrames(int n, int timeoutMs = 10000) {
        const int start = dlg.FramesPainted;
        return WaitFor([&] { return dlg.FramesPainted >= start + n; }, timeoutMs);
    }
    QAction* Item(UINT id) const { return FindMenuCommand(dlg.MenuBar(), id); }
    bool Checked(UINT id) const { return Item(id) != nullptr && Item(id)->isChecked(); }
    // A menu item chosen; false when it is greyed.
    bool Choose(UINT id) {
        if (Item(id) == nullptr || !Item(id)->isEnabled()) return false;
        Item(id)->trigger();
        return true;
    }
    void Command(UINT id) { SendMessage(&dlg, WM_COMMAND, id, 0); }
    Enables Operation() const {
        Enables state;
        for (UINT id : {ID_START_RECORDER, ID_STOP_RECORDER, ID_SNAP, ID_CROSSHAIRS, ID_RESOLUTION,
                        ID_FILTER})
            state.push_back(Item(id)->isEnabled());
        return state;
    }
    QStringList DeviceMenu() const { return MenuTexts(GetSubMenu(dlg.MenuBar(), 1)); }
    bool Centred() const {
        return dlg.frameGeometry().center() ==
               QGuiApplication::primaryScreen()->availableGeometry().center();
    }
    QString File(const QString& name) const { return SaveFolder + name; }
    QString SettingsFile() const { return session.home.filePath(".config/lumivisor.ini"); }
    void WriteSettings(const QByteArray& bytes) {
        ASSERT_TRUE(QDir(session.home.path()).mkpath(".config") &&
                    lumitest::WriteFile(SettingsFile(), bytes));
    }
    QByteArray ReadSettings() const { return lumitest::ReadFile(SettingsFile()); }

    Session session;
    CLumivisorDlg dlg;
};

}  // namespace e2e
