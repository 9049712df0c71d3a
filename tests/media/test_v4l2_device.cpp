#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "media/V4l2Device.h"

using namespace lumi::devices;

namespace {

struct GroupCase {
    uint32_t id;
    ControlGroup group;
};

class ControlGroupTest : public ::testing::TestWithParam<GroupCase> {};

TEST_P(ControlGroupTest, MapsIdToSettingsGroup) {
    EXPECT_EQ(controlGroupOf(GetParam().id), GetParam().group) << std::hex << GetParam().id;
}

INSTANTIATE_TEST_SUITE_P(
    Ids, ControlGroupTest,
    ::testing::Values(GroupCase{cid::kBrightness, ControlGroup::Image},
                      GroupCase{cid::kContrast, ControlGroup::Image},
                      GroupCase{cid::kSaturation, ControlGroup::Image},
                      GroupCase{cid::kHue, ControlGroup::Image},
                      GroupCase{cid::kGain, ControlGroup::Image},
                      GroupCase{cid::kGamma, ControlGroup::Image},
                      GroupCase{cid::kWhiteBalanceTemperature, ControlGroup::Image},
                      GroupCase{cid::kSharpness, ControlGroup::Image},
                      GroupCase{cid::kBacklightCompensation, ControlGroup::Image},
                      GroupCase{cid::kPowerLineFrequency, ControlGroup::Image},
                      GroupCase{0x00981001, ControlGroup::Image},  // a driver's own user control
                      GroupCase{cid::kExposure, ControlGroup::Camera},
                      GroupCase{cid::kExposureAuto, ControlGroup::Camera},
                      GroupCase{cid::kExposureAbsolute, ControlGroup::Camera},
                      GroupCase{cid::kFocusAbsolute, ControlGroup::Camera},
                      GroupCase{cid::kZoomAbsolute, ControlGroup::Camera},
                      GroupCase{cid::kPanAbsolute, ControlGroup::Camera},
                      GroupCase{cid::kIrisAbsolute, ControlGroup::Camera},
                      GroupCase{0x00980001, ControlGroup::Other},  // user class heading
                      GroupCase{0x009a0001, ControlGroup::Other},  // camera class heading
                      GroupCase{0x00990900, ControlGroup::Other},  // codec class
                      GroupCase{0, ControlGroup::Other}));

TEST(V4l2DeviceTest, MissingNodeFailsCleanly) {
    V4l2Device dev;
    EXPECT_FALSE(dev.open("/nonexistent/video99"));
    EXPECT_FALSE(dev.isOpen());
    EXPECT_EQ(dev.lastError(), ENOENT);
    EXPECT_FALSE(dev.queryCap().has_value());
    EXPECT_EQ(dev.lastError(), EBADF);
    EXPECT_TRUE(dev.controls().empty());
    EXPECT_FALSE(dev.control(cid::kBrightness).has_value());
    EXPECT_FALSE(dev.setControl(cid::kBrightness, 0));
}

TEST(V4l2DeviceTest, NodeThatIsNoCameraAnswersNothing) {
    V4l2Device dev("/dev/null");
    ASSERT_TRUE(dev.isOpen()) << "errno " << dev.lastError();
    EXPECT_FALSE(dev.queryCap().has_value());
    EXPECT_EQ(dev.lastError(), ENOTTY);
    EXPECT_FALSE(dev.queryExtCtrl(V4l2Device::kNextCtrl).has_value());
    EXPECT_FALSE(dev.getCtrl(cid::kBrightness).has_value());
    EXPECT_TRUE(dev.queryMenu(cid::kPowerLineFrequency, 0, 2).empty());
    EXPECT_TRUE(dev.controls().empty());
    EXPECT_FALSE(dev.setControl(cid::kBrightness, 0));
}

std::string firstVideoNode() {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/dev", ec)) {
        std::string name = e.path().filename().string();
        if (name.rfind("video", 0) == 0) return e.path().string();
    }
    return {};
}

TEST(V4l2DeviceTest, RealCameraControlsAreConsistent) {
    std::string node = firstVideoNode();
    if (node.empty()) GTEST_SKIP() << "no /dev/video* node on this machine: no camera to query";
    V4l2Device dev(node);
    ASSERT_TRUE(dev.isOpen()) << node << ": errno " << dev.lastError();
    std::optional<V4l2Capability> cap = dev.queryCap();
    ASSERT_TRUE(cap.has_value()) << "errno " << dev.lastError();
    EXPECT_FALSE(cap->driver.empty());
    if (!cap->canCapture()) GTEST_SKIP() << node << " is not a capture node (" << cap->card << ")";
    for (const ControlInfo& c : dev.controls()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.group, controlGroupOf(c.id));
        EXPECT_LE(c.minimum, c.maximum);
        if (c.type == ControlType::Integer) {
            EXPECT_GE(c.current, c.minimum);
            EXPECT_LE(c.current, c.maximum);
        }
        if (c.type == ControlType::Menu) {
            EXPECT_FALSE(c.menu.empty());
        }
        if (!c.readOnly && !c.inactive && c.type == ControlType::Integer) {
            EXPECT_TRUE(dev.setControl(c.id, c.current)) << "errno " << dev.lastError();
        }
        EXPECT_FALSE(dev.setControl(c.id, c.maximum == INT32_MAX ? c.maximum : c.maximum + 1));
    }
}

}  // namespace
