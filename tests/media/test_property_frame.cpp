// The property frame: what it shows for which arguments, where and with which caption, and
// OK, Cancel and Apply over the capture source's real pages (virtual camera, not running).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>

#include "PagesTestSupport.h"
#include "media/MediaType.h"
#include "media/OleCreatePropertyFrame.h"
#include "media/pages/StreamFormatPage.h"

namespace {

using namespace pagestest;
using lumi::devices::PixelFormat;
using lumi::devices::VirtualCamera;
using lumi::pages::PropertyFrame;
using lumi::pages::StreamFormatPage;
namespace cid = lumi::devices::cid;

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

    // The filter's own pages, as ShowFilterDialog asks for them.
    std::vector<CLSID> FilterPages() {
        ComPtr<ISpecifyPropertyPages> specify;
        EXPECT_EQ(source_->QueryInterface(IID_ISpecifyPropertyPages, specify.putVoid()), S_OK);
        CAUUID pages{};
        EXPECT_EQ(specify->GetPages(&pages), S_OK);
        std::vector<CLSID> ids(pages.pElems, pages.pElems + pages.cElems);
        CoTaskMemFree(pages.pElems);
        return ids;
    }
    static QSlider* Brightness(PropertyFrame& frame) {
        return Find<QSlider>(&frame, Named("slider", cid::kBrightness));
    }

    VirtualCamera camera_;
    ComPtr<CaptureSourceFilter> source_;
    ComPtr<IUnknown> identity_;
    ComPtr<IAMStreamConfig> config_;
    QWidget owner_;
};

struct RefusedCase {
    const char* name;
    bool nullObjects;
    bool nullPages;
    std::vector<CLSID> pages;
    bool streamConfigObject;  // else the filter
    HRESULT result;
};

class MediaPropertyFrameRefuses : public MediaPropertyFrame,
                                  public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(MediaPropertyFrameRefuses, ShowsNothing) {
    const RefusedCase& c = GetParam();
    IUnknown* object =
        c.streamConfigObject ? static_cast<IUnknown*>(config_.get()) : identity_.get();
    const ULONG before = RefCountOf(object);
    std::vector<CLSID> pages = c.pages;
    bool shown = true;
    PropertyFrame::setShownHook([&](PropertyFrame& frame) { frame.cancel(); });
    const HRESULT hr = OleCreatePropertyFrame(
        &owner_, 0, 0, L"x", 1, c.nullObjects ? nullptr : &object, ULONG(pages.size()),
        c.nullPages ? nullptr : pages.data(), 0, 0, nullptr);
    EXPECT_EQ(hr, c.result);
    // The hook would have seen a frame; none may be left behind either.
    PropertyFrame::setShownHook([&](PropertyFrame&) { shown = true; });
    shown = false;
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown);
    EXPECT_TRUE(owner_.findChildren<PropertyFrame*>().isEmpty());
    EXPECT_EQ(RefCountOf(object), before);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, MediaPropertyFrameRefuses,
    ::testing::Values(
        RefusedCase{"NoPages", false, false, {}, false, S_OK},
        RefusedCase{
            "MissingObjectArray", true, false, {CLSID_VideoProcAmpPropertyPage}, false, E_POINTER},
        RefusedCase{
            "MissingPageArray", false, true, {CLSID_VideoProcAmpPropertyPage}, false, E_POINTER},
        RefusedCase{"UnknownPageClass", false, false, {kUnknownPage}, false, REGDB_E_CLASSNOTREG},
        // The format page needs IAMStreamConfig, which the filter itself does not offer.
        RefusedCase{"PageForAnotherObject",
                    false,
                    false,
                    {CLSID_VideoStreamConfigPropertyPage},
                    false,
                    E_NOINTERFACE},
        RefusedCase{"ControlsPageOnTheStreamConfig",
                    false,
                    false,
                    {CLSID_VideoProcAmpPropertyPage},
                    true,
                    E_NOINTERFACE}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(MediaPropertyFrame, ModalOwnedCaptionedAndPlacedRelativeToItsOwner) {
    bool shown = false;
    const HRESULT hr = RunFrame(
        [&](PropertyFrame& frame) {
            EXPECT_EQ(frame.windowTitle(), "Capture source");
            EXPECT_TRUE(frame.isModal());
            EXPECT_EQ(frame.parentWidget(), &owner_);
            EXPECT_EQ(frame.pos(), owner_.mapToGlobal(QPoint(30, 40)));
            ASSERT_EQ(frame.pageCount(), 1);  // the virtual camera has image controls only
            EXPECT_EQ(frame.tabs()->tabText(0), "Video Proc Amp");
            EXPECT_FALSE(frame.applyButton()->isEnabled());
            frame.cancel();
        },
        &owner_, 30, 40, L"Capture source", {identity_.get()}, FilterPages(), &shown);
    EXPECT_EQ(hr, S_OK);
    EXPECT_TRUE(shown);
}

TEST_F(MediaPropertyFrame, WithoutCaptionItReadsPropertiesAndKeepsGoodPages) {
    // One page the registry does not know: the others are still shown.
    const HRESULT hr = RunFrame(
        [&](PropertyFrame& frame) {
            EXPECT_EQ(frame.windowTitle(), "Properties");
            ASSERT_EQ(frame.pageCount(), 1);
            EXPECT_EQ(frame.tabs()->tabText(0), "Stream Format");
            frame.ok();
        },
        &owner_, 30, 30, nullptr, {config_.get()},
        {kUnknownPage, CLSID_VideoStreamConfigPropertyPage});
    EXPECT_EQ(hr, S_OK);
}

TEST_F(MediaPropertyFrame, OkAppliesTheChosenFormat) {
    RunFrame(
        [&](PropertyFrame& frame) {
            auto* page = dynamic_cast<StreamFormatPage*>(frame.page(0));
            ASSERT_NE(page, nullptr);
            ASSERT_TRUE(page->choose(MEDIASUBTYPE_YUY2, 1280, 720));
            EXPECT_TRUE(frame.applyButton()->isEnabled());
            frame.ok();
            EXPECT_FALSE(frame.isVisible());
        },
        &owner_, 30, 30, nullptr, {config_.get()}, {CLSID_VideoStreamConfigPropertyPage});
    AM_MEDIA_TYPE* mt = nullptr;
    ASSERT_EQ(config_->GetFormat(&mt), S_OK);
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat)->bmiHeader.biWidth, 1280);
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat)->bmiHeader.biHeight, 720);
    DeleteMediaType(mt);
}

TEST_F(MediaPropertyFrame, CancelLeavesFormatAndControlsAsTheyWere) {
    const auto format = source_->currentFormat();
    RunFrame(
        [&](PropertyFrame& frame) {
            auto* page = dynamic_cast<StreamFormatPage*>(frame.page(0));
            ASSERT_NE(page, nullptr);
            ASSERT_TRUE(page->choose(MEDIASUBTYPE_MJPG, 1920, 1080));
            frame.cancel();
        },
        &owner_, 30, 30, nullptr, {config_.get()}, {CLSID_VideoStreamConfigPropertyPage});
    EXPECT_EQ(source_->currentFormat(), format);

    RunFrame(
        [&](PropertyFrame& frame) {
            ASSERT_NE(Brightness(frame), nullptr);
            Brightness(frame)->setValue(64 + 30);
            EXPECT_EQ(camera_.control(cid::kBrightness), 30);  // live at once
            EXPECT_TRUE(frame.applyButton()->isEnabled());
            frame.close();  // the close box is Cancel
        },
        &owner_, 0, 0, L"Capture Filter", {identity_.get()}, FilterPages());
    EXPECT_EQ(camera_.control(cid::kBrightness), 0);
}

TEST_F(MediaPropertyFrame, ApplyKeepsTheFrameOpenAndCancelThenKeepsWhatWasApplied) {
    RunFrame(
        [&](PropertyFrame& frame) {
            Brightness(frame)->setValue(64 + 20);
            ASSERT_TRUE(frame.applyButton()->isEnabled());
            frame.applyButton()->click();
            EXPECT_TRUE(frame.isVisible());
            EXPECT_FALSE(frame.applyButton()->isEnabled());
            Brightness(frame)->setValue(64 - 10);
            EXPECT_TRUE(frame.applyButton()->isEnabled());
            frame.cancelButton()->click();
        },
        &owner_, 0, 0, L"Capture Filter", {identity_.get()}, FilterPages());
    EXPECT_EQ(camera_.control(cid::kBrightness), 20);
}

TEST_F(MediaPropertyFrame, RefusedApplyKeepsTheFrameOpenOnThatPage) {
    RunFrame(
        [&](PropertyFrame& frame) {
            auto* page = dynamic_cast<StreamFormatPage*>(frame.page(0));
            ASSERT_NE(page, nullptr);
            ASSERT_TRUE(page->choose(MEDIASUBTYPE_YUY2, 1920, 1080));
            // Streaming: the output refuses a new format.
            gst_element_set_state(source_->bin(), GST_STATE_PAUSED);
            gst_element_get_state(source_->bin(), nullptr, nullptr, GST_CLOCK_TIME_NONE);
            frame.ok();
            EXPECT_TRUE(frame.isVisible());
            EXPECT_TRUE(frame.applyButton()->isEnabled());
            auto* status = Find<QLabel>(&frame, "status");
            ASSERT_NE(status, nullptr);
            EXPECT_FALSE(status->text().isEmpty());
            gst_element_set_state(source_->bin(), GST_STATE_NULL);
            frame.okButton()->click();
            EXPECT_FALSE(frame.isVisible());
        },
        &owner_, 30, 30, nullptr, {config_.get()}, {CLSID_VideoStreamConfigPropertyPage});
    EXPECT_EQ(source_->currentFormat().width, 1920);
}

// The engine may let go of the filter while the frame is open (a device notice handled
// elsewhere, a graph released): the frame's references keep the pages' filter alive.
TEST_F(MediaPropertyFrame, PagesNeverActOnAReleasedFilter) {
    IUnknown* filter = identity_.detach();
    config_.reset();
    source_.reset();
    ASSERT_EQ(RefCountOf(filter), 1u);  // the engine's reference only
    GstElement* element = camera_.element();
    RunFrame(
        [&](PropertyFrame& frame) {
            filter->Release();                               // the engine's reference is gone
            ASSERT_NE(GST_OBJECT_PARENT(element), nullptr);  // the filter's bin still holds it
            Brightness(frame)->setValue(64 + 12);
            EXPECT_EQ(camera_.control(cid::kBrightness), 12);
            frame.ok();
        },
        &owner_, 0, 0, L"Capture Filter", {filter}, {CLSID_VideoProcAmpPropertyPage});
    // Closing the frame let go of the last reference: the filter and its bin are gone.
    EXPECT_EQ(GST_OBJECT_PARENT(element), nullptr);
    EXPECT_EQ(camera_.control(cid::kBrightness), 12);
}

TEST_F(MediaPropertyFrame, OwnerlessFrameIsPlacedOnTheScreen) {
    RunFrame(
        [&](PropertyFrame& frame) {
            EXPECT_EQ(frame.parentWidget(), nullptr);
            EXPECT_EQ(frame.pos(), QPoint(10, 20));
            frame.cancel();
        },
        nullptr, 10, 20, L"", {identity_.get()}, {CLSID_VideoProcAmpPropertyPage});
}

}  // namespace
