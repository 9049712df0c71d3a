// The media layer's rules with no pipeline running.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <type_traits>

#include "CaptureTestSupport.h"
#include "media/com/ComRuntime.h"
#include "media/devices/V4l2Device.h"
#include "media/devices/V4l2Formats.h"
#include "media/graph/FilterGraph.h"
#include "media/graph/MediaType.h"

using namespace lumi::devices;

namespace {

GstHandle<GstCaps> Caps(const char* text) {
    return GstHandle<GstCaps>::adopt(gst_caps_from_string(text));
}

template <typename T>
HRESULT Create(const CLSID& clsid, ComPtr<T>& out, IUnknown* outer = nullptr) {
    return CoCreateInstance(clsid, outer, CLSCTX_INPROC_SERVER,
                            std::is_same_v<T, IGraphBuilder> ? IID_IGraphBuilder : IID_IBaseFilter,
                            out.putVoid());
}

// A short buffer gets nothing; only registered classes are made.
TEST(MediaRuntime, ShortBufferAndClassCreation) {
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"Камера", -1, buffer, 8, nullptr, nullptr), 0);
    EXPECT_EQ(buffer[7], 'x');  // nothing written beyond, nothing half-written
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"Камера", -1, buffer, 32, nullptr, nullptr), 13);
    EXPECT_STREQ(buffer, "Камера");
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(Create(MEDIATYPE_Video, filter), REGDB_E_CLASSNOTREG);
}

// Caps as a DIB (bottom-up, rows padded to four bytes) and back, copied deep; others refused.
TEST(MediaType, DescribesTheFrame) {
    const struct {
        const char* caps;
        GUID subtype;
        LONG biHeight;
        WORD bitCount;
        DWORD sizeImage;
    } cases[] = {
        {"video/x-dib, format=BGR, width=641, height=3", MEDIASUBTYPE_RGB24, 3, 24, 1924 * 3},
        // GStreamer's own BGR is top-down: negative height.
        {"video/x-raw, format=BGR, width=640, height=480", MEDIASUBTYPE_RGB24, -480, 24,
         640 * 3 * 480},
        {"image/jpeg, width=1920, height=1080", MEDIASUBTYPE_MJPG, 1080, 24, 1920 * 3 * 1080}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caps);
        GstHandle<GstCaps> caps = Caps((std::string(c.caps) + ", framerate=30/1").c_str());
        AM_MEDIA_TYPE mt{};
        ASSERT_TRUE(MediaTypeFromCaps(caps.get(), &mt));
        EXPECT_TRUE(mt.majortype == MEDIATYPE_Video && mt.subtype == c.subtype &&
                    mt.formattype == FORMAT_VideoInfo);
        ASSERT_EQ(mt.cbFormat, sizeof(VIDEOINFOHEADER));
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
        EXPECT_EQ(vih->bmiHeader.biHeight, c.biHeight);
        EXPECT_EQ(vih->bmiHeader.biBitCount, c.bitCount);
        EXPECT_EQ(vih->bmiHeader.biSizeImage, c.sizeImage);
        EXPECT_EQ(vih->AvgTimePerFrame, 333333);
        EXPECT_TRUE(gst_caps_can_intersect(CapsFromMediaType(mt).get(), caps.get()));
        AM_MEDIA_TYPE* copy = CreateMediaType(&mt);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy->pbFormat, mt.pbFormat);
        EXPECT_EQ(std::memcmp(copy->pbFormat, mt.pbFormat, mt.cbFormat), 0);
        DeleteMediaType(copy);
        FreeMediaType(mt);
        EXPECT_TRUE(mt.pbFormat == nullptr && mt.cbFormat == 0u);
    }
    for (const char* text : {"video/x-raw, format=NV12, width=640, height=480",
                             "image/jpeg, width=(int)[1, 100], height=480"}) {
        AM_MEDIA_TYPE mt{};
        EXPECT_FALSE(MediaTypeFromCaps(Caps(text).get(), &mt)) << text;
        EXPECT_EQ(mt.pbFormat, nullptr);
    }
}

TEST(MediaFilterGraph, MakesTakenNamesUniqueThePlatformsWay) {
    using capturetest::NameOf;
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(Create(CLSID_FilterGraph, graph), S_OK);
    ComPtr<IBaseFilter> a, b;
    for (ComPtr<IBaseFilter>* f : {&a, &b}) ASSERT_EQ(Create(CLSID_NullRenderer, *f), S_OK);
    EXPECT_EQ(graph->AddFilter(a.get(), L"NullRender"), S_OK);
    EXPECT_EQ(graph->AddFilter(b.get(), L"NullRender"), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(NameOf(b.get()), L"NullRender 0001");
    // The same filter twice is refused, a removed one not found again.
    EXPECT_TRUE(FAILED(graph->AddFilter(a.get(), L"Other")));
    EXPECT_EQ(graph->RemoveFilter(b.get()), S_OK);
    EXPECT_EQ(graph->RemoveFilter(b.get()), VFW_E_NOT_FOUND);
    // Releasing the graph leaves its filters usable and graph-less.
    graph.reset();
    EXPECT_EQ(NameOf(a.get()), L"");
}

// The reason travels in the details, in the system's language; a source's ENOSPC is the bus's.
TEST(MediaFilterGraph, SourceErrorsTellBusyPermissionAndBandwidthApart) {
    const std::string denied = std::string("system error: ") + g_strerror(EACCES);
    const struct {
        GQuark domain;
        int code;
        std::string debug;
        HRESULT expected;
    } cases[] = {
        {GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_BUSY, "", E_DEVICE_BUSY},
        {GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_AUTHORIZED, "", E_ACCESSDENIED},
        {GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_OPEN_READ_WRITE, denied, E_ACCESSDENIED},
        {GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_OPEN_READ_WRITE, g_strerror(ENOENT), E_FAIL},
        {GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, denied, E_FAIL},
        {GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NO_SPACE_LEFT, "", E_NO_BANDWIDTH},
        {GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_FAILED,
         std::string("STREAMON: ") + g_strerror(ENOSPC), E_NO_BANDWIDTH},
        {GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_SETTINGS, "Buffer pool activation failed",
         E_NO_BANDWIDTH},
        {GST_STREAM_ERROR, GST_STREAM_ERROR_FAILED, "", E_FAIL},
    };
    for (const auto& c : cases) {
        GError* error = g_error_new_literal(c.domain, c.code, "failed");
        EXPECT_EQ(SourceErrorResult(error, c.debug.empty() ? nullptr : c.debug.c_str()), c.expected)
            << c.code << " " << c.debug;
        g_error_free(error);
    }
}

// "MJPG 1920x1080 30/1 15/1"; a size range as "160-1280/16x120-720/8".
std::string Describe(const V4l2Format& f) {
    std::ostringstream out;
    out << fourccName(f.pixelFormat) << ' ';
    if (f.isSizeRange())
        out << f.minWidth << '-' << f.maxWidth << '/' << f.widthStep << 'x' << f.minHeight << '-'
            << f.maxHeight << '/' << f.heightStep;
    else
        out << f.width << 'x' << f.height;
    for (const FrameRate& r : f.rates) out << ' ' << r.numerator << '/' << r.denominator;
    return out.str();
}

// Camera order, rates highest first; only MJPG/YUY2 in system memory at fixed sizes and rates.
TEST(V4l2FormatsTest, ParsesCapsIntoFormats) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"image/jpeg, width=1920, height=1080, framerate={ 15/1, 30/1 }; "
         "image/jpeg, width=640, height=480, framerate={ 0/1, 30/1 }; "
         "video/x-raw, format=YUY2, width=640, height=480, pixel-aspect-ratio=1/1, "
         "colorimetry=bt601, framerate={ 10/1, 30/1, 20/1 }; "
         "image/jpeg, width=320, height=240, framerate=0/1",
         {"MJPG 1920x1080 30/1 15/1", "MJPG 640x480 30/1", "YUY2 640x480 30/1 20/1 10/1"}},
        {"video/x-raw, format=YUY2, width=[ 160, 1280, 16 ], height=[ 120, 720, 8 ], "
         "framerate=[ 1/1, 30/1 ]",
         {"YUY2 160-1280/16x120-720/8 30/1 1/1"}},
        {"video/x-raw, format=NV12, width=640, height=480, framerate=30/1; "
         "video/x-h264, width=1920, height=1080, framerate=30/1; "
         "video/x-raw(memory:DMABuf), format=YUY2, width=800, height=600, framerate=30/1; "
         "video/x-raw, format={ NV12, YUY2 }, width=320, height=240, framerate=30/1",
         {"YUY2 320x240 30/1"}},
        // The same size again joins its entry; an equal rate counts once.
        {"image/jpeg, width=1280, height=720, framerate=30/1; "
         "video/x-raw, format=YUY2, width=1280, height=720, framerate=5/1; "
         "image/jpeg, width=1280, height=720, framerate={ 60/2, 15/1 }; "
         "image/jpeg, width={ 640, 1280 }, height={ 480, 720 }, framerate=30/1",
         {"MJPG 1280x720 30/1 15/1", "YUY2 1280x720 5/1", "MJPG 640x480 30/1"}},
        {"image/jpeg, height=480, framerate=30/1; "
         "video/x-raw, format=YUY2, width=640, height=480; "
         "video/x-raw, width=640, height=480, framerate=30/1; "
         "image/jpeg, width=0, height=480, framerate=30/1",
         {}},
        {"this is { not caps", {}}};
    for (const auto& [caps, expected] : cases) {
        std::vector<std::string> got;
        for (const V4l2Format& f : V4l2Formats::fromCapsString(caps)) {
            got.push_back(Describe(f));
            ASSERT_FALSE(f.rates.empty());
            EXPECT_EQ(f.maxRate, f.rates.front());
            EXPECT_EQ(f.minRate, f.rates.back());
            EXPECT_EQ(f.defaultFormat(),
                      (VideoFormat{f.pixelFormat, f.maxWidth, f.maxHeight, f.rates.front()}));
        }
        EXPECT_EQ(got, expected) << caps;
    }
    EXPECT_TRUE(V4l2Formats::fromCaps(nullptr).empty());
    // And a format back to caps.
    EXPECT_TRUE(gst_caps_is_equal(
        GstHandle<GstCaps>::adopt(VideoFormat{PixelFormat::Mjpg, 1280, 720, {30, 1}}.toCaps())
            .get(),
        Caps("image/jpeg, width=1280, height=720, framerate=30/1").get()));
}

// Groups by class (user exposure and class headings aside); a node that is no camera fails cleanly.
TEST(V4l2DeviceTest, ControlGroupsAndNodesThatAreNoCamera) {
    const std::pair<uint32_t, ControlGroup> groups[] = {{0x00981001, ControlGroup::Image},
                                                        {cid::kExposure, ControlGroup::Camera},
                                                        {0x00980001, ControlGroup::Other}};
    for (const auto& [id, group] : groups) EXPECT_EQ(controlGroupOf(id), group) << std::hex << id;
    V4l2Device missing;
    EXPECT_FALSE(missing.open("/nonexistent/video99"));
    EXPECT_EQ(missing.lastError(), ENOENT);
    EXPECT_FALSE(missing.queryCap().has_value());
    EXPECT_EQ(missing.lastError(), EBADF);
    V4l2Device null("/dev/null");
    ASSERT_TRUE(null.isOpen()) << "errno " << null.lastError();
    EXPECT_FALSE(null.queryCap().has_value());
    EXPECT_EQ(null.lastError(), ENOTTY);
    for (V4l2Device* dev : {&missing, &null}) {
        EXPECT_TRUE(dev->controls().empty());
        EXPECT_FALSE(dev->control(cid::kBrightness).has_value());
        EXPECT_FALSE(dev->setControl(cid::kBrightness, 0));
    }
}

}  // namespace
