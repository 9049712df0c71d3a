// The property pages and their frame, on cameras given as data or virtual cameras not running.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <climits>
#include <string>

#include "PagesTestSupport.h"
#include "media/graph/MediaType.h"
#include "media/pages/CameraControlPage.h"
#include "media/pages/OleCreatePropertyFrame.h"
#include "media/pages/StreamFormatPage.h"

namespace {

using namespace pagestest;
using lumi::devices::ControlGroup;
using lumi::devices::PixelFormat;
using lumi::devices::VideoFormat;
using lumi::devices::VirtualCamera;
using lumi::pages::CameraControlPage;
using lumi::pages::ControlPageModel;
using lumi::pages::ControlRow;
using lumi::pages::FormatEntry;
using lumi::pages::PropertyFrame;
using lumi::pages::SliderScale;
using lumi::pages::StreamCapability;
using lumi::pages::StreamFormatModel;
using lumi::pages::StreamFormatPage;
namespace cid = lumi::devices::cid;
using Values = std::vector<std::pair<uint32_t, int32_t>>;
using Texts = std::vector<std::string>;

constexpr uint32_t kRedBalance = cid::kUserClassBase + 14;
constexpr uint32_t kAutogain = cid::kUserClassBase + 18;
constexpr uint32_t kPanReset = cid::kCameraClassBase + 6;
constexpr uint32_t kCodecBitrate = 0x009909cf;

// A USB webcam as its driver lists it (device order, not page order).
std::vector<ControlInfo> Webcam() {
    return {
        Integer(cid::kBrightness, "Brightness", -64, 64, 1, 0, 10),
        Integer(cid::kSaturation, "Saturation", 0, 128, 1, 64, 64),
        Boolean(cid::kAutoWhiteBalance, "White Balance Temperature, Auto", true, true),
        Menu(cid::kPowerLineFrequency, "Power Line Frequency",
             {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}}, 1, 2),
        Integer(cid::kWhiteBalanceTemperature, "White Balance Temperature", 2800, 6500, 10, 4600,
                4600),
        Menu(cid::kExposureAuto, "Exposure, Auto",
             {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}, 3, 3),
        Integer(cid::kExposureAbsolute, "Exposure (Absolute)", 3, 2047, 1, 250, 312),
        Integer(cid::kPanAbsolute, "Pan (Absolute)", -36000, 36000, 3600, 0, 0),
        Button(kPanReset, "Pan, Reset"),
        Integer(cid::kFocusAbsolute, "Focus (absolute)", 0, 250, 5, 0, 30),
        Boolean(cid::kFocusAuto, "Focus, Auto", true, true),
    };
}

// "label:kind", "+auto" for a row with its mode's check box, "<-auto" for one governed elsewhere.
std::vector<std::string> Describe(const ControlPageModel& model) {
    static const char* const kKinds[] = {"slider", "check", "list", "button"};
    std::vector<std::string> out;
    for (const ControlRow& row : model.rows())
        out.push_back(row.label.toStdString() + ":" + kKinds[int(row.kind)] +
                      (row.autoSwitch ? "+auto" : (row.autoId ? "<-auto" : "")));
    return out;
}

TEST(MediaPagesControlRows, DescriptionsBecomeRowsInPageOrder) {
    ControlInfo text = Integer(cid::kUserClassBase + 40, "Name", 0, 0, 0, 0, 0);
    text.type = lumi::devices::ControlType::Other;
    ControlInfo readOnlyAwb = Boolean(cid::kAutoWhiteBalance, "AWB", true, true);
    readOnlyAwb.readOnly = true;
    const struct {
        std::vector<ControlInfo> controls;
        ControlGroup group;
        std::vector<std::string> rows;
    } cases[] = {
        {Webcam(),
         ControlGroup::Image,
         {"Brightness:slider", "Saturation:slider", "White Balance:slider+auto",
          "PowerLine Frequency:list"}},
        // Red balance belongs to the white balance mode too; only the first row shows its box.
        {{Integer(kRedBalance, "Red Balance", 0, 255, 1, 128, 128),
          Boolean(cid::kAutoWhiteBalance, "AWB", true, true),
          Integer(cid::kWhiteBalanceTemperature, "WBT", 2800, 6500, 1, 4600, 4600)},
         ControlGroup::Image,
         {"White Balance:slider+auto", "Red Balance:slider<-auto"}},
        // A mode the user may not switch keeps a row of its own and still governs.
        {{readOnlyAwb, Integer(cid::kWhiteBalanceTemperature, "WBT", 2800, 6500, 1, 4600, 4600)},
         ControlGroup::Image,
         {"White Balance:slider<-auto", "White Balance, Auto:check"}},
        // An exposure mode menu without a manual entry cannot be a check box.
        {{Menu(cid::kExposureAuto, "Exposure, Auto", {{0, "Auto"}, {3, "Aperture"}}, 0, 0),
          Integer(cid::kExposureAbsolute, "Exposure", 1, 100, 1, 10, 10)},
         ControlGroup::Camera,
         {"Exposure:slider<-auto", "Exposure, Auto:list"}},
        // Drivers that report automatic gain as an integer 0..1.
        {{Integer(cid::kGain, "Gain", 0, 255, 1, 0, 0),
          Integer(kAutogain, "Gain, Automatic", 0, 1, 1, 1, 1)},
         ControlGroup::Image,
         {"Gain:slider+auto"}},
        // What a page cannot show is left out; unknown controls keep the device's name.
        {{Integer(cid::kBrightness, "Brightness", 10, 0, 1, 0, 0),
          Menu(cid::kPowerLineFrequency, "Power Line Frequency", {}, 0, 0), text,
          Integer(cid::kUserClassBase + 1, "Contrast", 0, 10, 1, 5, 5),
          Integer(cid::kUserClassBase + 0x1001, "Vendor Denoise", 0, 3, 1, 0, 0),
          Integer(kCodecBitrate, "Video Bitrate", 0, 100, 1, 0, 0)},
         ControlGroup::Image,
         {"Contrast:slider", "Vendor Denoise:slider"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Describe(ControlPageModel(c.controls, c.group)), c.rows) << &c - cases;
}

TEST(MediaPagesSliderScale, PositionsWalkTheStepGrid) {
    const struct {
        int32_t min, max, step;
        int positions;
        int32_t snapIn, snapOut;
    } cases[] = {
        {-36000, 36000, 3600, 20, 1900, 3600},
        {0, 10, 0, 10, 4, 4},  // step 0 is 1
        {5, 5, 1, 0, 100, 5},
        {INT_MIN, INT_MAX, 1, 99999, INT_MAX, 2147473402},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.min) + ".." + std::to_string(c.max));
        const SliderScale s =
            SliderScale::of(Integer(cid::kBrightness, "x", c.min, c.max, c.step, 0, 0));
        EXPECT_EQ(s.positions, c.positions);
        EXPECT_EQ(s.valueAt(0), c.min);
        EXPECT_LE(s.valueAt(s.positions), c.max);
        EXPECT_GT(int64_t(s.valueAt(s.positions)) + s.step, int64_t(c.max));
        EXPECT_EQ(s.snap(c.snapIn), c.snapOut);
        for (int p : {0, std::min(1, s.positions), s.positions / 2, s.positions})
            EXPECT_EQ(s.positionOf(s.valueAt(p)), p);
        EXPECT_EQ(s.positionOf(c.max), s.positions);
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
    QSpinBox* value(uint32_t id) { return widget<QSpinBox>("value", id); }
    QCheckBox* automatic(uint32_t id) { return widget<QCheckBox>("auto", id); }
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

// Changes reach the device at once, a manual value snapped to its step once its mode is off;
// Default writes defaults, Cancel takes all back.
TEST_F(MediaPagesControlPage, ImagePageChangesDefaultsAndCancel) {
    open(ControlGroup::Image);
    auto* brightness = widget<QSlider>("slider", cid::kBrightness);
    auto* power = widget<QComboBox>("list", cid::kPowerLineFrequency);
    ASSERT_TRUE(brightness && power && value(cid::kBrightness) &&
                automatic(cid::kAutoWhiteBalance));
    EXPECT_EQ(power->currentText(), "60 Hz");
    EXPECT_FALSE(value(cid::kWhiteBalanceTemperature)->isEnabled());
    brightness->setValue(64 + 40);
    EXPECT_EQ(value(cid::kBrightness)->value(), 40);
    EXPECT_EQ(page_->IsPageDirty(), S_OK);
    power->setCurrentIndex(0);
    Q_EMIT power->activated(0);
    automatic(cid::kAutoWhiteBalance)->setChecked(false);
    value(cid::kWhiteBalanceTemperature)->setValue(3204);
    for (const auto& [id, now] : Values{{cid::kBrightness, 40},
                                        {cid::kPowerLineFrequency, 0},
                                        {cid::kWhiteBalanceTemperature, 3200}})
        EXPECT_EQ(camera_->value(id), now) << id;
    Find<QPushButton>(&container_, "default")->click();
    for (const auto& [id, def] : Values{{cid::kBrightness, 0}, {cid::kPowerLineFrequency, 1}})
        EXPECT_EQ(camera_->value(id), def) << id;
    EXPECT_TRUE(automatic(cid::kAutoWhiteBalance)->isChecked());
    ASSERT_EQ(page_->Deactivate(), S_OK);  // Cancel: the frame deactivates without Apply
    for (const auto& [id, was] : Values{{cid::kBrightness, 10},
                                        {cid::kPowerLineFrequency, 2},
                                        {cid::kAutoWhiteBalance, 1},
                                        {cid::kWhiteBalanceTemperature, 3200}})
        EXPECT_EQ(camera_->value(id), was) << id;
    EXPECT_EQ(camera_->refused, 0);
    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
}

// A value its mode owns refuses writes; a button leaves the page clean; Apply sets Cancel's values.
TEST_F(MediaPagesControlPage, CameraPageRefusalsButtonsAndApply) {
    open(ControlGroup::Camera);
    ASSERT_TRUE(value(cid::kFocusAbsolute) && automatic(cid::kExposureAuto));
    value(cid::kFocusAbsolute)->setValue(100);
    EXPECT_EQ(camera_->refused, 1);
    EXPECT_EQ(value(cid::kFocusAbsolute)->value(), 30);
    widget<QPushButton>("button", kPanReset)->click();
    ASSERT_FALSE(camera_->writes.empty());
    EXPECT_EQ(camera_->writes.back().first, kPanReset);
    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
    auto* exposure = widget<QSlider>("slider", cid::kExposureAbsolute);
    EXPECT_FALSE(exposure->isEnabled());
    automatic(cid::kExposureAuto)->setChecked(false);
    EXPECT_EQ(camera_->value(cid::kExposureAuto), 1);  // manual mode
    EXPECT_TRUE(exposure->isEnabled());
    value(cid::kExposureAbsolute)->setValue(1000);
    ASSERT_EQ(page_->Apply(), S_OK);
    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
    value(cid::kExposureAbsolute)->setValue(20);
    automatic(cid::kExposureAuto)->setChecked(true);
    EXPECT_EQ(camera_->value(cid::kExposureAuto), 3);  // aperture priority
    // Defaults leave the exposure to its mode (a write would be refused) and press no button.
    const std::size_t before = camera_->writes.size();
    Find<QPushButton>(&container_, "default")->click();
    for (std::size_t i = before; i < camera_->writes.size(); ++i)
        EXPECT_TRUE(camera_->writes[i].first != kPanReset &&
                    camera_->writes[i].first != cid::kExposureAbsolute);
    ASSERT_EQ(page_->Deactivate(), S_OK);
    EXPECT_EQ(camera_->value(cid::kExposureAuto), 1);
    EXPECT_EQ(camera_->value(cid::kExposureAbsolute), 1000);
    EXPECT_EQ(camera_->refused, 1);
}

TEST_F(MediaPagesControlPage, UnboundPageLetsGoOfTheCamera) {
    const ULONG before = RefCountOf(camera_.get());
    open(ControlGroup::Image);
    EXPECT_GT(RefCountOf(camera_.get()), before);
    widget<QSlider>("slider", cid::kBrightness)->setValue(0);
    ASSERT_EQ(page_->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(camera_->value(cid::kBrightness), 10);
    EXPECT_EQ(RefCountOf(camera_.get()), before);
    EXPECT_EQ(page_->Activate(&container_, nullptr, TRUE), E_UNEXPECTED);
}

StreamCapability Fixed(const GUID& subtype, int width, int height,
                       std::vector<REFERENCE_TIME> intervals) {
    StreamCapability c;
    c.subtype = subtype;
    c.width = width;
    c.height = height;
    c.caps.MinOutputSize = c.caps.MaxOutputSize = SIZE{width, height};
    c.caps.OutputGranularityX = c.caps.OutputGranularityY = 1;
    c.intervals = std::move(intervals);
    return c;
}

TEST(MediaPagesFormatModel, CapabilitiesBecomeFormatSizeAndRateChoices) {
    StreamCapability range = Fixed(MEDIASUBTYPE_YUY2, 1280, 960, {});
    range.caps.MinOutputSize = SIZE{160, 120};
    range.caps.OutputGranularityX = 16;
    range.caps.OutputGranularityY = 8;
    range.caps.MinFrameInterval = 333333;  // no list: the range's two ends
    range.caps.MaxFrameInterval = 2000000;
    const StreamFormatModel model({
        Fixed(MEDIASUBTYPE_MJPG, 1920, 1080, {666666, 333333, 0}),
        Fixed(MEDIASUBTYPE_MJPG, 0, 0, {333333}),  // empty: left out
        range,
        Fixed(MEDIASUBTYPE_MJPG, 1920, 1080, {1000000}),  // listed twice: the first one stays
        Fixed(MEDIASUBTYPE_MJPG, 640, 480, {333333}),
    });
    const auto sizes = [&](const GUID& subtype) {
        Texts out;
        for (int i : model.entriesOf(subtype)) {
            const FormatEntry& e = model.entries()[std::size_t(i)];
            out.push_back(StreamFormatModel::sizeLabel(e.width, e.height).toStdString());
        }
        return out;
    };
    EXPECT_EQ(sizes(MEDIASUBTYPE_MJPG), (Texts{"1920 x 1080", "640 x 480"}));
    // Usual sizes inside the range that fit its granularity, and the largest size.
    EXPECT_EQ(sizes(MEDIASUBTYPE_YUY2),
              (Texts{"160 x 120", "176 x 144", "320 x 240", "352 x 288", "640 x 360", "640 x 480",
                     "800 x 600", "1024 x 768", "1280 x 720", "1280 x 960"}));
    const FormatEntry& full =
        model.entries()[std::size_t(model.find(MEDIASUBTYPE_MJPG, 1920, 1080))];
    EXPECT_EQ(full.intervals, (std::vector<REFERENCE_TIME>{333333, 666666}));
    const int ranged = model.find(MEDIASUBTYPE_YUY2, 640, 480);
    ASSERT_GE(ranged, 0);
    EXPECT_EQ(model.entries()[std::size_t(ranged)].capsIndex, 2);
    EXPECT_EQ(model.entries()[std::size_t(ranged)].intervals,
              (std::vector<REFERENCE_TIME>{333333, 2000000}));
    EXPECT_EQ(model.find(MEDIASUBTYPE_YUY2, 1920, 1080), -1);
    EXPECT_EQ(model.find(MEDIASUBTYPE_MJPG, 640, -480), model.find(MEDIASUBTYPE_MJPG, 640, 480));
    EXPECT_EQ(StreamFormatModel::nearestInterval(full, 5000000), 666666);
    EXPECT_EQ(StreamFormatModel::rateLabel(333667), "29.97 fps");
}

// A webcam's formats as v4l2src reports them: MJPG first, YUY2 at fewer frames per second.
constexpr const char* kWebcamCaps =
    "image/jpeg, width=1280, height=720, framerate={ 30/1, 15/1 }; "
    "image/jpeg, width=640, height=480, framerate={ 30/1, 15/1 }; "
    "video/x-raw, format=YUY2, width=640, height=480, framerate={ 30/1, 20/1, 15/1, 10/1, 5/1 }; "
    "video/x-raw, format=YUY2, width=1280, height=720, framerate=10/1";

void Pick(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
    Q_EMIT box->activated(index);
}

// Another format keeps the size where it can, the nearest rate; Apply sets it, Cancel nothing.
TEST(MediaPagesFormatPage, ListsWhatTheDeviceOffersAndAppliesTheChoice) {
    ComPtr<CaptureSourceFilter> source = SourceWithFormats(kWebcamCaps);
    ComPtr<IAMStreamConfig> config;
    ASSERT_EQ(source->queryPinInterface(*source->pinByName(L"Capture"), IID_IAMStreamConfig,
                                        config.putVoid()),
              S_OK);
    auto page = ComPtr<StreamFormatPage>::adopt(new StreamFormatPage);
    IUnknown* object = config.get();
    ASSERT_EQ(page->SetObjects(1, &object), S_OK);
    QWidget container;
    ASSERT_EQ(page->Activate(&container, nullptr, TRUE), S_OK);
    auto* formats = Find<QComboBox>(&container, "format");
    auto* sizes = Find<QComboBox>(&container, "size");
    auto* rates = Find<QComboBox>(&container, "rate");
    ASSERT_TRUE(formats && sizes && rates);
    const auto current = [&] {
        return Texts{formats->currentText().toStdString(), sizes->currentText().toStdString(),
                     rates->currentText().toStdString()};
    };
    EXPECT_EQ(current(), (Texts{"MJPG", "1280 x 720", "30 fps"}));
    Pick(formats, "YUY2");
    EXPECT_EQ(current(), (Texts{"YUY2", "1280 x 720", "10 fps"}));
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    Pick(sizes, "640 x 480");
    Pick(rates, "15 fps");
    ASSERT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    const VideoFormat applied{PixelFormat::Yuy2, 640, 480, {15, 1}};
    EXPECT_EQ(source->currentFormat(), applied);
    // An unlisted size or none at all is refused and changes nothing.
    AM_MEDIA_TYPE* unlisted = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(config->GetStreamCaps(0, &unlisted, reinterpret_cast<BYTE*>(&caps)), S_OK);
    reinterpret_cast<VIDEOINFOHEADER*>(unlisted->pbFormat)->bmiHeader.biWidth = 800;
    EXPECT_EQ(config->SetFormat(unlisted), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(config->SetFormat(nullptr), E_POINTER);
    DeleteMediaType(unlisted);
    EXPECT_EQ(source->currentFormat(), applied);
    ASSERT_TRUE(page->choose(MEDIASUBTYPE_MJPG, 640, 480, 666666));
    EXPECT_FALSE(page->choose(MEDIASUBTYPE_MJPG, 1920, 1080));
    ASSERT_EQ(page->Deactivate(), S_OK);
    EXPECT_EQ(source->currentFormat(), applied);
    page->SetObjects(0, nullptr);
}

constexpr GUID kUnknownPage = {0x12345678, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};

class MediaPropertyFrame : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = VirtualSource(&camera_);
        ASSERT_TRUE(source_ && camera_.valid());
        ASSERT_EQ(source_->QueryInterface(IID_IUnknown, identity_.putVoid()), S_OK);
        ASSERT_EQ(source_->queryPinInterface(*source_->pinByName(L"Capture"), IID_IAMStreamConfig,
                                             config_.putVoid()),
                  S_OK);
        owner_.setGeometry(200, 150, 640, 480);
        owner_.show();
    }
    void TearDown() override { PropertyFrame::setShownHook(nullptr); }

    VirtualCamera camera_;
    ComPtr<CaptureSourceFilter> source_;
    ComPtr<IUnknown> identity_;
    ComPtr<IAMStreamConfig> config_;
    QWidget owner_;
};

// Arguments the frame cannot show: nothing is shown or left behind, no reference kept.
TEST_F(MediaPropertyFrame, RefusesWhatItCannotShow) {
    const struct {
        bool nullObjects, nullPages;
        const GUID* page;  // none: no pages
        HRESULT result;
    } cases[] = {
        {false, false, nullptr, S_OK},
        {true, false, &CLSID_VideoProcAmpPropertyPage, E_POINTER},
        {false, true, &CLSID_VideoProcAmpPropertyPage, E_POINTER},
        {false, false, &kUnknownPage, REGDB_E_CLASSNOTREG},
        // The format page needs IAMStreamConfig, which the filter itself does not offer.
        {false, false, &CLSID_VideoStreamConfigPropertyPage, E_NOINTERFACE},
    };
    bool shown = false;
    PropertyFrame::setShownHook([&](PropertyFrame& frame) {
        shown = true;
        frame.cancel();
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        IUnknown* object = identity_.get();
        const ULONG before = RefCountOf(object);
        std::vector<CLSID> pages;
        if (c.page) pages.push_back(*c.page);
        EXPECT_EQ(OleCreatePropertyFrame(&owner_, 0, 0, L"x", 1, c.nullObjects ? nullptr : &object,
                                         ULONG(pages.size()), c.nullPages ? nullptr : pages.data(),
                                         0, 0, nullptr),
                  c.result);
        QCoreApplication::processEvents();
        EXPECT_FALSE(shown);
        EXPECT_TRUE(owner_.findChildren<PropertyFrame*>().isEmpty());
        EXPECT_EQ(RefCountOf(object), before);
    }
}

// Modal, unknown pages left out; a refused format (a streaming output) keeps the frame open
// with the answer; a later OK applies.
TEST_F(MediaPropertyFrame, RefusedApplyKeepsTheFrameOpenOnThatPage) {
    const auto onFrame = [&](PropertyFrame& frame) {
        EXPECT_TRUE(frame.isModal());
        EXPECT_FALSE(frame.applyButton()->isEnabled());
        ASSERT_EQ(frame.pageCount(), 1);  // the unknown page left out
        auto* page = dynamic_cast<StreamFormatPage*>(frame.page(0));
        ASSERT_TRUE(page && page->choose(MEDIASUBTYPE_YUY2, 1920, 1080));
        gst_element_set_state(source_->bin(), GST_STATE_PAUSED);
        gst_element_get_state(source_->bin(), nullptr, nullptr, GST_CLOCK_TIME_NONE);
        frame.ok();
        EXPECT_TRUE(frame.isVisible());
        auto* status = Find<QLabel>(&frame, "status");
        ASSERT_NE(status, nullptr);
        EXPECT_TRUE(status->text().contains("80040224")) << status->text().toStdString();
        EXPECT_EQ(source_->currentFormat().width, 640);
        gst_element_set_state(source_->bin(), GST_STATE_NULL);
        frame.okButton()->click();
        EXPECT_FALSE(frame.isVisible());
    };
    EXPECT_EQ(RunFrame(onFrame, &owner_, 30, 30, nullptr, {config_.get()},
                       {kUnknownPage, CLSID_VideoStreamConfigPropertyPage}),
              S_OK);
    EXPECT_EQ(source_->currentFormat().width, 1920);
}

}  // namespace
