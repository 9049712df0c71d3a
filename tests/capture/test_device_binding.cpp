// Enumeration and binding over the device monitor with virtual cameras.
#include <gtest/gtest.h>

#include <map>

#include "CaptureTestSupport.h"
#include "capture/CCaptureVideo.h"
#include "media/CaptureSourceFilter.h"
#include "media/DeviceMonitor.h"
#include "media/VirtualCameraProvider.h"

using namespace capturetest;
using lumi::devices::DeviceMonitor;
using lumi::devices::VirtualCameraProvider;

namespace {

class DeviceBinding : public ::testing::Test {
protected:
    void SetUp() override { VirtualCameraProvider::removeAll(); }
    void TearDown() override { VirtualCameraProvider::removeAll(); }
    static bool RealCameraPresent() { return !DeviceMonitor::instance().devices().empty(); }

    CCaptureVideo engine;
    DeviceListWindow list;
};

TEST_F(DeviceBinding, NoDeviceGivesMinusOneAndListsNothing) {
    if (RealCameraPresent()) GTEST_SKIP() << "a real camera is present";
    EXPECT_EQ(engine.EnumDevices(&list), -1);
    EXPECT_TRUE(list.entries.isEmpty());
    IBaseFilter* filter = nullptr;
    EXPECT_FALSE(engine.BindDevice(0, &filter));
    EXPECT_EQ(filter, nullptr);
}

TEST_F(DeviceBinding, NamesAreAppendedInEnumerationOrderAndCounted) {
    if (RealCameraPresent()) GTEST_SKIP() << "a real camera is present";
    AddCameras("Bind Camera", {false, true});
    EXPECT_EQ(engine.EnumDevices(&list), 2);
    EXPECT_EQ(list.entries, (QStringList{"Bind Camera 1", "Bind Camera 2"}));
    // Emptying is the caller's duty: a second call appends again.
    EXPECT_EQ(engine.EnumDevices(&list), 2);
    EXPECT_EQ(list.entries.size(), 4);
}

TEST_F(DeviceBinding, EveryPositionBindsTheDeviceListedThere) {
    // Cameras told apart by their still pins.
    AddCameras("Pattern Camera", {false, true, true, false});
    ASSERT_GE(engine.EnumDevices(&list), 4);
    const std::map<QString, bool> stillPin = {{"Pattern Camera 1", false},
                                              {"Pattern Camera 2", true},
                                              {"Pattern Camera 3", true},
                                              {"Pattern Camera 4", false}};
    for (int i = 0; i < list.entries.size(); ++i) {
        auto it = stillPin.find(list.entries[i]);
        if (it == stillPin.end()) continue;  // a real camera
        IBaseFilter* filter = nullptr;
        ASSERT_TRUE(engine.BindDevice(i, &filter));
        ASSERT_NE(filter, nullptr) << "position " << i;
        auto* source = dynamic_cast<CaptureSourceFilter*>(filter);
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(source->hasStillPin(), it->second) << list.entries[i].toStdString();
        filter->Release();
    }
}

TEST_F(DeviceBinding, PositionsOutsideTheListBindNothingAndSucceed) {
    AddCameras("Edge Camera", {false, false});
    const int count = engine.EnumDevices(&list);
    ASSERT_GE(count, 2);
    auto* sentinel = reinterpret_cast<IBaseFilter*>(0x5A5A);
    IBaseFilter* filter = sentinel;
    EXPECT_TRUE(engine.BindDevice(count, &filter));
    EXPECT_EQ(filter, sentinel);
    EXPECT_TRUE(engine.BindDevice(-1, &filter));
    EXPECT_EQ(filter, sentinel);
}

}  // namespace
