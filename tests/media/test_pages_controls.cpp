// The image and camera control pages: how a device's control descriptions (given as data,
// as a V4L2 driver reports them) become rows and widgets, how automatic modes govern their
// manual values, and what the page writes for a change, "Default" and Cancel.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <climits>
#include <string>

#include "PagesTestSupport.h"
#include "media/pages/CameraControlPage.h"

namespace {

using namespace pagestest;
using lumi::devices::ControlGroup;
using lumi::pages::CameraControlPage;
using lumi::pages::ControlPageModel;
using lumi::pages::ControlRow;
using lumi::pages::ControlValues;
using lumi::pages::SliderScale;
using lumi::pages::WidgetKind;
namespace cid = lumi::devices::cid;

constexpr uint32_t kRedBalance = cid::kUserClassBase + 14;
constexpr uint32_t kAutogain = cid::kUserClassBase + 18;
constexpr uint32_t kPanReset = cid::kCameraClassBase + 6;
constexpr uint32_t kCodecBitrate = 0x009909cf;

// A USB webcam as its driver lists it (device order, not page order).
std::vector<ControlInfo> Webcam() {
    return {
        Integer(cid::kBrightness, "Brightness", -64, 64, 1, 0, 10),
        Integer(cid::kContrast, "Contrast", 0, 64, 1, 32, 32),
        Integer(cid::kSaturation, "Saturation", 0, 128, 1, 64, 64),
        Integer(cid::kHue, "Hue", -40, 40, 1, 0, 0),
        Boolean(cid::kAutoWhiteBalance, "White Balance Temperature, Auto", true, true),
        Integer(cid::kGamma, "Gamma", 72, 500, 1, 100, 100),
        Integer(cid::kGain, "Gain", 0, 100, 1, 0, 0),
        Menu(cid::kPowerLineFrequency, "Power Line Frequency",
             {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}}, 1, 2),
        Integer(cid::kWhiteBalanceTemperature, "White Balance Temperature", 2800, 6500, 10, 4600,
                4600),
        Integer(cid::kSharpness, "Sharpness", 0, 6, 1, 3, 3),
        Integer(cid::kBacklightCompensation, "Backlight Compensation", 0, 2, 1, 1, 1),
        Menu(cid::kExposureAuto, "Exposure, Auto",
             {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}, 3, 3),
        Integer(cid::kExposureAbsolute, "Exposure (Absolute)", 3, 2047, 1, 250, 312),
        Boolean(cid::kExposureAutoPriority, "Exposure, Auto Priority", false, false),
        Integer(cid::kPanAbsolute, "Pan (Absolute)", -36000, 36000, 3600, 0, 0),
        Integer(cid::kTiltAbsolute, "Tilt (Absolute)", -36000, 36000, 3600, 0, 0),
        Button(kPanReset, "Pan, Reset"),
        Integer(cid::kFocusAbsolute, "Focus (absolute)", 0, 250, 5, 0, 30),
        Boolean(cid::kFocusAuto, "Focus, Auto", true, true),
        Integer(cid::kZoomAbsolute, "Zoom, Absolute", 100, 500, 1, 100, 100),
        Integer(kCodecBitrate, "Video Bitrate", 0, 1000000, 1, 0, 0),
    };
}

// "label:kind", with "+auto" for a row carrying an automatic mode's check box and
// "<-auto" for a row governed by a mode shown elsewhere.
std::vector<std::string> Describe(const ControlPageModel& model) {
    std::vector<std::string> out;
    for (const ControlRow& row : model.rows()) {
        std::string text = row.label.toStdString() + ":";
        switch (row.kind) {
            case WidgetKind::Slider:
                text += "slider";
                break;
            case WidgetKind::CheckBox:
                text += "check";
                break;
            case WidgetKind::List:
                text += "list";
                break;
            case WidgetKind::Button:
                text += "button";
                break;
        }
        if (row.autoSwitch)
            text += "+auto";
        else if (row.autoId)
            text += "<-auto";
        out.push_back(text);
    }
    return out;
}

struct RowsCase {
    const char* name;
    std::vector<ControlInfo> controls;
    ControlGroup group;
    std::vector<std::string> rows;
};

class MediaPagesControlRows : public ::testing::TestWithParam<RowsCase> {};

TEST_P(MediaPagesControlRows, DescriptionsBecomeRowsInPageOrder) {
    const RowsCase& c = GetParam();
    EXPECT_EQ(Describe(ControlPageModel(c.controls, c.group)), c.rows);
}

ControlInfo ReadOnly(ControlInfo c) {
    c.readOnly = true;
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Devices, MediaPagesControlRows,
    ::testing::Values(RowsCase{"WebcamImagePage",
                               Webcam(),
                               ControlGroup::Image,
                               {"Brightness:slider", "Contrast:slider", "Hue:slider",
                                "Saturation:slider", "Sharpness:slider", "Gamma:slider",
                                "White Balance:slider+auto", "Backlight Comp:slider", "Gain:slider",
                                "PowerLine Frequency:list"}},
                      RowsCase{
                          "WebcamCameraPage",
                          Webcam(),
                          ControlGroup::Camera,
                          {"Zoom:slider", "Focus:slider+auto", "Exposure:slider+auto", "Pan:slider",
                           "Tilt:slider", "Low Light Compensation:check", "Pan, Reset:button"}},
                      // Red and blue balance belong to the white balance mode too; only the first
                      // row shows its box.
                      RowsCase{"OneModeForSeveralValues",
                               {Integer(kRedBalance, "Red Balance", 0, 255, 1, 128, 128),
                                Boolean(cid::kAutoWhiteBalance, "AWB", true, true),
                                Integer(cid::kWhiteBalanceTemperature, "WBT", 2800, 6500, 1, 4600,
                                        4600)},
                               ControlGroup::Image,
                               {"White Balance:slider+auto", "Red Balance:slider<-auto"}},
                      // A mode the user may not switch keeps a row of its own and still governs.
                      RowsCase{"ReadOnlyModeKeepsItsRow",
                               {ReadOnly(Boolean(cid::kAutoWhiteBalance, "AWB", true, true)),
                                Integer(cid::kWhiteBalanceTemperature, "WBT", 2800, 6500, 1, 4600,
                                        4600)},
                               ControlGroup::Image,
                               {"White Balance:slider<-auto", "White Balance, Auto:check"}},
                      // An exposure mode menu without a manual entry cannot be a check box.
                      RowsCase{"ExposureModesWithoutManual",
                               {Menu(cid::kExposureAuto, "Exposure, Auto",
                                     {{0, "Auto"}, {3, "Aperture"}}, 0, 0),
                                Integer(cid::kExposureAbsolute, "Exposure", 1, 100, 1, 10, 10)},
                               ControlGroup::Camera,
                               {"Exposure:slider<-auto", "Exposure, Auto:list"}},
                      // Drivers that report automatic gain as an integer 0..1.
                      RowsCase{"IntegerModeFolds",
                               {Integer(cid::kGain, "Gain", 0, 255, 1, 0, 0),
                                Integer(kAutogain, "Gain, Automatic", 0, 1, 1, 1, 1)},
                               ControlGroup::Image,
                               {"Gain:slider+auto"}},
                      RowsCase{"ModeWithoutPartner",
                               {Boolean(cid::kFocusAuto, "Focus, Auto", true, true)},
                               ControlGroup::Camera,
                               {"Focus, Auto:check"}},
                      // What a page cannot show is left out; unknown controls keep the device's
                      // name.
                      RowsCase{"UnusableDescriptionsLeftOut",
                               {Integer(cid::kBrightness, "Brightness", 10, 0, 1, 0, 0),
                                Menu(cid::kPowerLineFrequency, "Power Line Frequency", {}, 0, 0),
                                [] {
                                    ControlInfo text =
                                        Integer(cid::kUserClassBase + 40, "Name", 0, 0, 0, 0, 0);
                                    text.type = lumi::devices::ControlType::Other;
                                    return text;
                                }(),
                                Integer(cid::kUserClassBase + 1, "Contrast", 0, 10, 1, 5, 5),
                                Integer(cid::kUserClassBase + 0x1001, "Vendor Denoise", 0, 3, 1, 0,
                                        0),
                                Integer(kCodecBitrate, "Video Bitrate", 0, 100, 1, 0, 0)},
                               ControlGroup::Image,
                               {"Contrast:slider", "Vendor Denoise:slider"}},
                      RowsCase{"NoControls", {}, ControlGroup::Image, {}}),
    [](const auto& p) { return std::string(p.param.name); });

struct ScaleCase {
    const char* name;
    int32_t min, max, step;
    int positions;
    int32_t snapIn, snapOut;
};

class MediaPagesSliderScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(MediaPagesSliderScale, PositionsWalkTheStepGrid) {
    const ScaleCase& c = GetParam();
    const SliderScale s =
        SliderScale::of(Integer(cid::kBrightness, "x", c.min, c.max, c.step, 0, 0));
    EXPECT_EQ(s.positions, c.positions);
    EXPECT_EQ(s.valueAt(0), c.min);
    EXPECT_LE(s.valueAt(s.positions), c.max);
    EXPECT_GT(int64_t(s.valueAt(s.positions)) + s.step, int64_t(c.max));
    EXPECT_EQ(s.snap(c.snapIn), c.snapOut);
    for (int p : {0, 1, s.positions / 2, s.positions}) {
        if (p <= s.positions) {
            EXPECT_EQ(s.positionOf(s.valueAt(p)), p);
        }
    }
    EXPECT_EQ(s.positionOf(c.max), s.positions);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, MediaPagesSliderScale,
    ::testing::Values(ScaleCase{"Brightness", -64, 64, 1, 128, 7, 7},
                      ScaleCase{"WhiteBalance", 2800, 6500, 10, 370, 4604, 4600},
                      ScaleCase{"PanInDegrees", -36000, 36000, 3600, 20, 1900, 3600},
                      ScaleCase{"StepZeroIsOne", 0, 10, 0, 10, 4, 4},
                      ScaleCase{"SinglePoint", 5, 5, 1, 0, 100, 5},
                      ScaleCase{"WholeInt32", INT_MIN, INT_MAX, 1, 99999, INT_MAX, 2147473402}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(MediaPagesControlModel, ExposureModesOwnTheExposureValue) {
    const ControlPageModel camera(Webcam(), ControlGroup::Camera);
    const ControlRow* exposure = camera.rowOf(cid::kExposureAbsolute);
    ASSERT_NE(exposure, nullptr);
    EXPECT_EQ(camera.rowOf(cid::kExposureAuto), nullptr);  // folded into the exposure row
    EXPECT_FALSE(camera.manualEnabled(*exposure, {{cid::kExposureAuto, 0}}));  // auto
    EXPECT_TRUE(camera.manualEnabled(*exposure, {{cid::kExposureAuto, 1}}));   // manual
    EXPECT_TRUE(camera.manualEnabled(*exposure, {{cid::kExposureAuto, 2}}));   // shutter priority
    EXPECT_FALSE(camera.manualEnabled(*exposure, {{cid::kExposureAuto, 3}}));  // aperture priority
    // The defaults leave the exposure to the camera; an action is never written back.
    for (const auto& [id, value] : camera.writePlan(camera.defaults())) {
        EXPECT_NE(id, cid::kExposureAbsolute);
        EXPECT_NE(id, kPanReset);
    }
}

// A page over a camera given as data, activated in a container like the frame's.
class MediaPagesControlPage : public ::testing::Test {
protected:
    void open(ControlGroup group) {
        page_ = ComPtr<CameraControlPage>::adopt(new CameraControlPage(group));
        IUnknown* object = camera_.get();
        ASSERT_EQ(page_->SetObjects(1, &object), S_OK);
        ASSERT_EQ(page_->Activate(&container_, nullptr, TRUE), S_OK);
    }
    template <typename T>
    T* widget(const char* kind, uint32_t id) {
        T* w = Find<T>(&container_, Named(kind, id));
        EXPECT_NE(w, nullptr) << kind << ":" << id;
        return w;
    }
    void TearDown() override {
        if (page_) page_->SetObjects(0, nullptr);
    }

    ComPtr<DataCamera> camera_ = [] {
        auto c = ComPtr<DataCamera>::adopt(new DataCamera(Webcam()));
        c->lock(cid::kWhiteBalanceTemperature, cid::kAutoWhiteBalance, {1});
        c->lock(cid::kExposureAbsolute, cid::kExposureAuto, {0, 3});
        c->lock(cid::kFocusAbsolute, cid::kFocusAuto, {1});
        return c;
    }();
    QWidget container_;
    ComPtr<CameraControlPage> page_;
};

TEST_F(MediaPagesControlPage, EachTypeGetsItsWidgetWithRangeStepAndValue) {
    open(ControlGroup::Image);
    auto* brightness = widget<QSlider>("slider", cid::kBrightness);
    auto* brightnessValue = widget<QSpinBox>("value", cid::kBrightness);
    ASSERT_TRUE(brightness && brightnessValue);
    EXPECT_EQ(brightness->maximum(), 128);
    EXPECT_EQ(brightness->value(), 74);  // 10 above -64
    EXPECT_EQ(brightnessValue->minimum(), -64);
    EXPECT_EQ(brightnessValue->maximum(), 64);
    EXPECT_EQ(brightnessValue->value(), 10);
    auto* temperature = widget<QSpinBox>("value", cid::kWhiteBalanceTemperature);
    ASSERT_TRUE(temperature);
    EXPECT_EQ(temperature->singleStep(), 10);
    auto* power = widget<QComboBox>("list", cid::kPowerLineFrequency);
    ASSERT_TRUE(power);
    ASSERT_EQ(power->count(), 3);
    EXPECT_EQ(power->itemText(1), "50 Hz");
    EXPECT_EQ(power->currentText(), "60 Hz");
    auto* whiteAuto = widget<QCheckBox>("auto", cid::kAutoWhiteBalance);
    ASSERT_TRUE(whiteAuto);
    EXPECT_TRUE(whiteAuto->isChecked());
    // The manual value waits while its mode is automatic.
    EXPECT_FALSE(widget<QSlider>("slider", cid::kWhiteBalanceTemperature)->isEnabled());
    EXPECT_TRUE(brightness->isEnabled());
    // Camera controls are not on this page.
    EXPECT_EQ(Find<QSlider>(&container_, Named("slider", cid::kZoomAbsolute)), nullptr);
    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
}

TEST_F(MediaPagesControlPage, ChangesReachTheDeviceAtOnceAndCancelTakesThemBack) {
    open(ControlGroup::Image);
    widget<QSlider>("slider", cid::kBrightness)->setValue(64 + 40);
    EXPECT_EQ(camera_->value(cid::kBrightness), 40);
    EXPECT_EQ(widget<QSpinBox>("value", cid::kBrightness)->value(), 40);
    EXPECT_EQ(page_->IsPageDirty(), S_OK);
    // A value typed off the step grid is put on it.
    widget<QSpinBox>("value", cid::kSaturation)->setValue(77);
    EXPECT_EQ(camera_->value(cid::kSaturation), 77);
    auto* power = widget<QComboBox>("list", cid::kPowerLineFrequency);
    power->setCurrentIndex(0);
    Q_EMIT power->activated(0);
    EXPECT_EQ(camera_->value(cid::kPowerLineFrequency), 0);
    // Automatic white balance off: the temperature becomes settable.
    widget<QCheckBox>("auto", cid::kAutoWhiteBalance)->setChecked(false);
    EXPECT_EQ(camera_->value(cid::kAutoWhiteBalance), 0);
    auto* temperature = widget<QSpinBox>("value", cid::kWhiteBalanceTemperature);
    ASSERT_TRUE(temperature->isEnabled());
    temperature->setValue(3204);
    EXPECT_EQ(camera_->value(cid::kWhiteBalanceTemperature), 3200);
    EXPECT_EQ(camera_->refused, 0);

    // Cancel: the frame deactivates without Apply.
    ASSERT_EQ(page_->Deactivate(), S_OK);
    EXPECT_EQ(camera_->value(cid::kBrightness), 10);
    EXPECT_EQ(camera_->value(cid::kSaturation), 64);
    EXPECT_EQ(camera_->value(cid::kPowerLineFrequency), 2);
    EXPECT_EQ(camera_->value(cid::kAutoWhiteBalance), 1);
    // The mode is automatic again and owns the temperature: nothing is written to it.
    EXPECT_EQ(camera_->value(cid::kWhiteBalanceTemperature), 3200);
    EXPECT_EQ(camera_->refused, 0);
    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
}

TEST_F(MediaPagesControlPage, ApplyKeepsTheValuesThatCancelThenReturnsTo) {
    open(ControlGroup::Camera);
    auto* exposureAuto = widget<QCheckBox>("auto", cid::kExposureAuto);
    auto* exposure = widget<QSlider>("slider", cid::kExposureAbsolute);
    ASSERT_TRUE(exposureAuto && exposure);
    EXPECT_FALSE(exposure->isEnabled());
    exposureAuto->setChecked(false);
    EXPECT_EQ(camera_->value(cid::kExposureAuto), 1);  // manual mode
    EXPECT_TRUE(exposure->isEnabled());
    widget<QSpinBox>("value", cid::kExposureAbsolute)->setValue(1000);
    ASSERT_EQ(page_->Apply(), S_OK);
    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page_->baseline().at(cid::kExposureAbsolute), 1000);

    widget<QSpinBox>("value", cid::kExposureAbsolute)->setValue(20);
    exposureAuto->setChecked(true);
    EXPECT_EQ(camera_->value(cid::kExposureAuto), 3);  // aperture priority
    EXPECT_FALSE(exposure->isEnabled());
    ASSERT_EQ(page_->Deactivate(), S_OK);
    // Back to the applied state: manual mode first, then its value.
    EXPECT_EQ(camera_->value(cid::kExposureAuto), 1);
    EXPECT_EQ(camera_->value(cid::kExposureAbsolute), 1000);
    EXPECT_EQ(camera_->refused, 0);
}

TEST_F(MediaPagesControlPage, DefaultWritesTheDevicesDefaults) {
    open(ControlGroup::Image);
    widget<QCheckBox>("auto", cid::kAutoWhiteBalance)->setChecked(false);
    widget<QSpinBox>("value", cid::kWhiteBalanceTemperature)->setValue(3000);
    widget<QSpinBox>("value", cid::kContrast)->setValue(50);
    auto* defaults = Find<QPushButton>(&container_, "default");
    ASSERT_NE(defaults, nullptr);
    defaults->click();
    EXPECT_EQ(camera_->value(cid::kBrightness), 0);
    EXPECT_EQ(camera_->value(cid::kContrast), 32);
    EXPECT_EQ(camera_->value(cid::kPowerLineFrequency), 1);
    EXPECT_EQ(camera_->value(cid::kAutoWhiteBalance), 1);
    EXPECT_EQ(widget<QSpinBox>("value", cid::kBrightness)->value(), 0);
    EXPECT_TRUE(widget<QCheckBox>("auto", cid::kAutoWhiteBalance)->isChecked());
    EXPECT_EQ(camera_->refused, 0);
    EXPECT_EQ(page_->IsPageDirty(), S_OK);  // OK or Apply keeps the defaults, Cancel not
}

TEST_F(MediaPagesControlPage, RefusedValueShowsWhatTheDeviceHolds) {
    open(ControlGroup::Camera);
    // The focus slider is disabled while autofocus is on; a write that gets through anyway
    // (here: the spin box driven directly) is refused and the page shows the device's value.
    auto* focus = widget<QSpinBox>("value", cid::kFocusAbsolute);
    ASSERT_TRUE(focus);
    focus->setValue(100);
    EXPECT_EQ(camera_->refused, 1);
    EXPECT_EQ(camera_->value(cid::kFocusAbsolute), 30);
    EXPECT_EQ(focus->value(), 30);
    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
}

TEST_F(MediaPagesControlPage, ButtonActsWithoutMakingThePageDirty) {
    open(ControlGroup::Camera);
    auto* reset = widget<QPushButton>("button", kPanReset);
    ASSERT_TRUE(reset);
    reset->click();
    ASSERT_FALSE(camera_->writes.empty());
    EXPECT_EQ(camera_->writes.back().first, kPanReset);
    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
}

TEST_F(MediaPagesControlPage, UnboundPageLetsGoOfTheCamera) {
    const ULONG before = RefCountOf(camera_.get());
    open(ControlGroup::Image);
    EXPECT_GT(RefCountOf(camera_.get()), before);
    widget<QSlider>("slider", cid::kBrightness)->setValue(0);
    // Unbinding without Deactivate still takes the change back first.
    ASSERT_EQ(page_->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(camera_->value(cid::kBrightness), 10);
    EXPECT_EQ(RefCountOf(camera_.get()), before);
    EXPECT_EQ(page_->widget(), nullptr);
    EXPECT_EQ(page_->Activate(&container_, nullptr, TRUE), E_UNEXPECTED);
}

}  // namespace
