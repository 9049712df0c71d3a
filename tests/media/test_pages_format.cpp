// The stream format page: a capture output's capabilities (given as data, or as the
// V4L2-like caps of a capture source) become format, size and rate lists; the choice is
// handed to SetFormat on Apply.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>

#include "PagesTestSupport.h"
#include "media/MediaType.h"
#include "media/pages/StreamFormatPage.h"

namespace {

using namespace pagestest;
using lumi::devices::FrameRate;
using lumi::devices::PixelFormat;
using lumi::devices::VideoFormat;
using lumi::pages::FormatEntry;
using lumi::pages::StreamCapability;
using lumi::pages::StreamFormatModel;
using lumi::pages::StreamFormatPage;

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

std::vector<std::string> Sizes(const StreamFormatModel& model, const GUID& subtype) {
    std::vector<std::string> out;
    for (int i : model.entriesOf(subtype)) {
        const FormatEntry& e = model.entries()[std::size_t(i)];
        out.push_back(StreamFormatModel::sizeLabel(e.width, e.height).toStdString());
    }
    return out;
}

TEST(MediaPagesFormatModel, CapabilitiesBecomeFormatSizeAndRateChoices) {
    StreamCapability range;
    range.subtype = MEDIASUBTYPE_YUY2;
    range.width = 1280;
    range.height = 960;
    range.caps.MinOutputSize = SIZE{160, 120};
    range.caps.MaxOutputSize = SIZE{1280, 960};
    range.caps.OutputGranularityX = 16;
    range.caps.OutputGranularityY = 8;
    range.caps.MinFrameInterval = 333333;  // no list: the range's two ends
    range.caps.MaxFrameInterval = 2000000;
    StreamCapability empty = Fixed(MEDIASUBTYPE_MJPG, 0, 0, {333333});
    const StreamFormatModel model({
        Fixed(MEDIASUBTYPE_MJPG, 1920, 1080, {666666, 333333, 0}),
        empty,
        range,
        Fixed(MEDIASUBTYPE_MJPG, 1920, 1080, {1000000}),  // listed twice: the first one stays
        Fixed(MEDIASUBTYPE_MJPG, 640, 480, {333333}),
    });
    EXPECT_EQ(model.subtypes(), (std::vector<GUID>{MEDIASUBTYPE_MJPG, MEDIASUBTYPE_YUY2}));
    EXPECT_EQ(Sizes(model, MEDIASUBTYPE_MJPG),
              (std::vector<std::string>{"1920 x 1080", "640 x 480"}));
    // Usual sizes inside the range that fit its granularity, and the largest size.
    EXPECT_EQ(Sizes(model, MEDIASUBTYPE_YUY2),
              (std::vector<std::string>{"160 x 120", "176 x 144", "320 x 240", "352 x 288",
                                        "640 x 360", "640 x 480", "800 x 600", "1024 x 768",
                                        "1280 x 720", "1280 x 960"}));
    const FormatEntry& full =
        model.entries()[std::size_t(model.find(MEDIASUBTYPE_MJPG, 1920, 1080))];
    EXPECT_EQ(full.capsIndex, 0);
    EXPECT_EQ(full.intervals, (std::vector<REFERENCE_TIME>{333333, 666666}));
    const int ranged = model.find(MEDIASUBTYPE_YUY2, 640, 480);
    ASSERT_GE(ranged, 0);
    EXPECT_EQ(model.entries()[std::size_t(ranged)].capsIndex, 2);
    EXPECT_EQ(model.entries()[std::size_t(ranged)].intervals,
              (std::vector<REFERENCE_TIME>{333333, 2000000}));
    EXPECT_EQ(model.find(MEDIASUBTYPE_YUY2, 1920, 1080), -1);
    EXPECT_EQ(model.find(MEDIASUBTYPE_MJPG, 640, -480), model.find(MEDIASUBTYPE_MJPG, 640, 480));
    EXPECT_EQ(StreamFormatModel::nearestInterval(full, 400000), 333333);
    EXPECT_EQ(StreamFormatModel::nearestInterval(full, 0), 333333);
    EXPECT_EQ(StreamFormatModel::nearestInterval(full, 5000000), 666666);
}

TEST(MediaPagesFormatModel, LabelsOfFormatsAndRates) {
    EXPECT_EQ(StreamFormatModel::subtypeName(MEDIASUBTYPE_YUY2), "YUY2");
    EXPECT_EQ(StreamFormatModel::subtypeName(MEDIASUBTYPE_MJPG), "MJPG");
    GUID nv12 = MEDIASUBTYPE_YUY2;
    nv12.Data1 = 0x3231564E;
    EXPECT_EQ(StreamFormatModel::subtypeName(nv12), "NV12");
    EXPECT_EQ(StreamFormatModel::subtypeName(MEDIATYPE_Stream), "?");
    EXPECT_EQ(StreamFormatModel::rateLabel(333333), "30 fps");
    EXPECT_EQ(StreamFormatModel::rateLabel(333667), "29.97 fps");
    EXPECT_EQ(StreamFormatModel::rateLabel(1333333), "7.5 fps");
    EXPECT_EQ(StreamFormatModel::rateLabel(2000000), "5 fps");
    EXPECT_EQ(StreamFormatModel::rateLabel(0), "variable");
}

// A webcam's formats as v4l2src reports them: MJPG first, YUY2 at fewer frames per second.
constexpr const char* kWebcamCaps =
    "image/jpeg, width=1280, height=720, framerate={ 30/1, 15/1 }; "
    "image/jpeg, width=640, height=480, framerate={ 30/1, 15/1 }; "
    "video/x-raw, format=YUY2, width=640, height=480, framerate={ 30/1, 20/1, 15/1, 10/1, 5/1 }; "
    "video/x-raw, format=YUY2, width=1280, height=720, framerate=10/1";

class MediaPagesFormatPage : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = SourceWithFormats(kWebcamCaps);
        ASSERT_TRUE(source_);
        ASSERT_EQ(source_->formats().size(), 4u);
        ASSERT_EQ(source_->queryPinInterface(*source_->pinByName(L"Capture"), IID_IAMStreamConfig,
                                             config_.putVoid()),
                  S_OK);
        page_ = ComPtr<StreamFormatPage>::adopt(new StreamFormatPage);
        IUnknown* object = config_.get();
        ASSERT_EQ(page_->SetObjects(1, &object), S_OK);
        ASSERT_EQ(page_->Activate(&container_, nullptr, TRUE), S_OK);
        formats_ = Find<QComboBox>(&container_, "format");
        sizes_ = Find<QComboBox>(&container_, "size");
        rates_ = Find<QComboBox>(&container_, "rate");
        ASSERT_TRUE(formats_ && sizes_ && rates_);
    }
    void TearDown() override {
        if (page_) page_->SetObjects(0, nullptr);
        if (source_) gst_element_set_state(source_->bin(), GST_STATE_NULL);
    }
    static std::vector<std::string> Items(QComboBox* box) {
        std::vector<std::string> out;
        for (int i = 0; i < box->count(); ++i) out.push_back(box->itemText(i).toStdString());
        return out;
    }
    static void Pick(QComboBox* box, const QString& text) {
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        box->setCurrentIndex(index);
        Q_EMIT box->activated(index);
    }

    ComPtr<CaptureSourceFilter> source_;
    ComPtr<IAMStreamConfig> config_;
    ComPtr<StreamFormatPage> page_;
    QWidget container_;
    QComboBox* formats_ = nullptr;
    QComboBox* sizes_ = nullptr;
    QComboBox* rates_ = nullptr;
};

TEST_F(MediaPagesFormatPage, ListsWhatTheDeviceOffersWithTheCurrentFormatSelected) {
    EXPECT_EQ(Items(formats_), (std::vector<std::string>{"MJPG", "YUY2"}));
    EXPECT_EQ(formats_->currentText(), "MJPG");
    EXPECT_EQ(Items(sizes_), (std::vector<std::string>{"1280 x 720", "640 x 480"}));
    EXPECT_EQ(sizes_->currentText(), "1280 x 720");
    EXPECT_EQ(Items(rates_), (std::vector<std::string>{"30 fps", "15 fps"}));
    EXPECT_EQ(rates_->currentText(), "30 fps");
    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
}

TEST_F(MediaPagesFormatPage, ApplyMakesTheChoiceTheOutputsFormat) {
    Pick(formats_, "YUY2");
    // The size stays where the new format has it; the rate becomes the nearest it offers.
    EXPECT_EQ(Items(sizes_), (std::vector<std::string>{"640 x 480", "1280 x 720"}));
    EXPECT_EQ(sizes_->currentText(), "1280 x 720");
    EXPECT_EQ(Items(rates_), (std::vector<std::string>{"10 fps"}));
    EXPECT_EQ(page_->IsPageDirty(), S_OK);
    Pick(sizes_, "640 x 480");
    EXPECT_EQ(rates_->count(), 5);
    Pick(rates_, "15 fps");
    ASSERT_EQ(page_->Apply(), S_OK);
    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
    EXPECT_EQ(source_->currentFormat(),
              (VideoFormat{PixelFormat::Yuy2, 640, 480, FrameRate{15, 1}}));

    AM_MEDIA_TYPE* mt = nullptr;
    ASSERT_EQ(config_->GetFormat(&mt), S_OK);
    EXPECT_TRUE(mt->subtype == MEDIASUBTYPE_YUY2);
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
    EXPECT_EQ(vih->bmiHeader.biWidth, 640);
    EXPECT_EQ(vih->bmiHeader.biHeight, 480);
    EXPECT_EQ(vih->AvgTimePerFrame, 666666);
    DeleteMediaType(mt);

    // Going back to what was applied leaves nothing to apply.
    Pick(rates_, "30 fps");
    EXPECT_EQ(page_->IsPageDirty(), S_OK);
    Pick(rates_, "15 fps");
    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
}

TEST_F(MediaPagesFormatPage, ChoiceNotAppliedChangesNothing) {
    ASSERT_TRUE(page_->choose(MEDIASUBTYPE_MJPG, 640, 480, 666666));
    EXPECT_EQ(sizes_->currentText(), "640 x 480");
    EXPECT_EQ(rates_->currentText(), "15 fps");
    EXPECT_FALSE(page_->choose(MEDIASUBTYPE_MJPG, 1920, 1080));
    EXPECT_EQ(page_->choice().width, 640);
    ASSERT_EQ(page_->Deactivate(), S_OK);
    EXPECT_EQ(source_->currentFormat(),
              (VideoFormat{PixelFormat::Mjpg, 1280, 720, FrameRate{30, 1}}));
}

TEST_F(MediaPagesFormatPage, RefusedChoiceStaysOnThePageWithTheAnswer) {
    // A streaming output takes no new format.
    ASSERT_NE(gst_element_set_state(source_->bin(), GST_STATE_PAUSED), GST_STATE_CHANGE_FAILURE);
    gst_element_get_state(source_->bin(), nullptr, nullptr, GST_CLOCK_TIME_NONE);
    ASSERT_TRUE(page_->choose(MEDIASUBTYPE_YUY2, 640, 480));
    EXPECT_EQ(page_->Apply(), VFW_E_NOT_STOPPED);
    EXPECT_EQ(page_->IsPageDirty(), S_OK);
    auto* status = Find<QLabel>(&container_, "status");
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->text().contains("80040224")) << status->text().toStdString();
    EXPECT_EQ(source_->currentFormat().pixelFormat, PixelFormat::Mjpg);

    gst_element_set_state(source_->bin(), GST_STATE_NULL);
    EXPECT_EQ(page_->Apply(), S_OK);
    EXPECT_EQ(source_->currentFormat().pixelFormat, PixelFormat::Yuy2);
}

}  // namespace
