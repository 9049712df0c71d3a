// The COM shapes: ids, strings, runtime calls, media types and the graph's filter list.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "media/ComPtr.h"
#include "media/ComRuntime.h"
#include "media/DShow.h"
#include "media/FilterGraph.h"
#include "media/GstFilter.h"
#include "media/MediaType.h"

namespace {

TEST(MediaGuids, KeepThePlatformValues) {
    // The four bytes of MEDIATYPE_Video read "vids"; FOURCC subtypes carry their code.
    char vids[4];
    std::memcpy(vids, &MEDIATYPE_Video.Data1, 4);
    EXPECT_EQ(std::string(vids, 4), "vids");
    EXPECT_EQ(MEDIASUBTYPE_MJPG.Data1, 0x47504A4Du);
    EXPECT_EQ(GuidToString(IID_ISampleGrabberCB), "{0579154A-2B53-4994-B0D0-E773148EFF85}");
    EXPECT_EQ(GuidToString(IID_IUnknown), "{00000000-0000-0000-C000-000000000046}");
    EXPECT_EQ(GuidToString(CLSID_VideoInputDeviceCategory),
              "{860BB310-5D01-11D0-BD3B-00A0C911CE86}");
    EXPECT_EQ(GuidToString(PIN_CATEGORY_STILL), "{FB6C428A-0353-11D1-905F-0000C0CC16BA}");
    EXPECT_FALSE(PIN_CATEGORY_CAPTURE == PIN_CATEGORY_PREVIEW);
}

TEST(MediaStrings, BstrKeepsLengthAndVariantFreesIt) {
    BSTR s = SysAllocString(L"Virtual Camera 1");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 16u);
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = s;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    SysFreeString(nullptr);  // allowed, does nothing
}

TEST(MediaStrings, WideToNarrowRefusesAShortBuffer) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"Камера", -1, buffer, 8, nullptr, nullptr), 0);
    EXPECT_EQ(buffer[7], 'x');  // nothing written beyond, nothing half-written
    char fits[32];
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"Камера", -1, fits, 32, nullptr, nullptr), 13);
    EXPECT_STREQ(fits, "Камера");
}

TEST(MediaRuntime, CreatesOnlyRegisteredClassesWithoutAggregation) {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(CoCreateInstance(MEDIATYPE_Video, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               filter.putVoid()),
              REGDB_E_CLASSNOTREG);
    ComPtr<IGraphBuilder> outer;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               outer.putVoid()),
              S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_NullRenderer, outer.get(), CLSCTX_INPROC_SERVER,
                               IID_IBaseFilter, filter.putVoid()),
              CLASS_E_NOAGGREGATION);
    // A filter is no sample grabber.
    ASSERT_EQ(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               filter.putVoid()),
              S_OK);
    ComPtr<ISampleGrabber> grabber;
    EXPECT_EQ(filter.as(IID_ISampleGrabber, grabber), E_NOINTERFACE);
    EXPECT_FALSE(grabber);
}

// ---- media types and caps ---------------------------------------------------------------

struct CapsCase {
    const char* caps;
    GUID subtype;
    LONG biHeight;
    WORD bitCount;
    DWORD sizeImage;
};

class MediaTypeCaps : public ::testing::TestWithParam<CapsCase> {};

TEST_P(MediaTypeCaps, DescribesTheFrame) {
    const CapsCase& c = GetParam();
    GstHandle<GstCaps> caps = GstHandle<GstCaps>::adopt(gst_caps_from_string(c.caps));
    AM_MEDIA_TYPE mt{};
    ASSERT_TRUE(MediaTypeFromCaps(caps.get(), &mt));
    EXPECT_TRUE(mt.majortype == MEDIATYPE_Video);
    EXPECT_TRUE(mt.subtype == c.subtype);
    EXPECT_TRUE(mt.formattype == FORMAT_VideoInfo);
    ASSERT_EQ(mt.cbFormat, sizeof(VIDEOINFOHEADER));
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
    EXPECT_EQ(vih->bmiHeader.biHeight, c.biHeight);
    EXPECT_EQ(vih->bmiHeader.biBitCount, c.bitCount);
    EXPECT_EQ(vih->bmiHeader.biSizeImage, c.sizeImage);
    EXPECT_EQ(vih->AvgTimePerFrame, 333333);

    // And back: the caps of the media type accept the caps it came from.
    GstHandle<GstCaps> back = CapsFromMediaType(mt);
    EXPECT_TRUE(gst_caps_can_intersect(back.get(), caps.get())) << c.caps;
    FreeMediaType(mt);
    EXPECT_EQ(mt.pbFormat, nullptr);
    EXPECT_EQ(mt.cbFormat, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, MediaTypeCaps,
    ::testing::Values(
        // DIB order: bottom-up, positive height; rows padded to four bytes (641 * 3 -> 1924).
        CapsCase{"video/x-dib, format=BGR, width=641, height=3, framerate=30/1", MEDIASUBTYPE_RGB24,
                 3, 24, 1924 * 3},
        CapsCase{"video/x-dib, format=BGRx, width=641, height=3, framerate=30/1",
                 MEDIASUBTYPE_RGB32, 3, 32, 641 * 4 * 3},
        // GStreamer's own BGR is top-down: negative height.
        CapsCase{"video/x-raw, format=BGR, width=640, height=480, framerate=30/1",
                 MEDIASUBTYPE_RGB24, -480, 24, 640 * 3 * 480},
        CapsCase{"video/x-raw, format=YUY2, width=1280, height=720, framerate=30/1",
                 MEDIASUBTYPE_YUY2, 720, 16, 1280 * 2 * 720},
        CapsCase{"image/jpeg, width=1920, height=1080, framerate=30/1", MEDIASUBTYPE_MJPG, 1080, 24,
                 1920 * 3 * 1080}));

TEST(MediaType, RejectsCapsThatAreNotAFixedKnownVideo) {
    for (const char* text : {"video/x-raw, format=NV12, width=640, height=480",
                             "image/jpeg, width=(int)[1, 100], height=480", "audio/x-raw", "ANY"}) {
        GstHandle<GstCaps> caps = GstHandle<GstCaps>::adopt(gst_caps_from_string(text));
        AM_MEDIA_TYPE mt{};
        EXPECT_FALSE(MediaTypeFromCaps(caps.get(), &mt)) << text;
        EXPECT_EQ(mt.pbFormat, nullptr);
    }
}

TEST(MediaType, GrabberTypeWithoutFormatAcceptsAnySizeOfItsSubtypeOnly) {
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB24;
    GstHandle<GstCaps> accepted = CapsFromMediaType(mt);
    GstHandle<GstCaps> dib = GstHandle<GstCaps>::adopt(
        gst_caps_from_string("video/x-dib, format=BGR, width=320, height=240"));
    GstHandle<GstCaps> yuy2 = GstHandle<GstCaps>::adopt(
        gst_caps_from_string("video/x-raw, format=YUY2, width=320, height=240"));
    EXPECT_TRUE(gst_caps_can_intersect(accepted.get(), dib.get()));
    EXPECT_FALSE(gst_caps_can_intersect(accepted.get(), yuy2.get()));
}

TEST(MediaType, CopyIsDeep) {
    GstHandle<GstCaps> caps = GstHandle<GstCaps>::adopt(
        gst_caps_from_string("video/x-raw, format=YUY2, width=64, height=48, framerate=30/1"));
    AM_MEDIA_TYPE a{};
    ASSERT_TRUE(MediaTypeFromCaps(caps.get(), &a));
    AM_MEDIA_TYPE* b = CreateMediaType(&a);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(b->pbFormat, a.pbFormat);
    EXPECT_EQ(std::memcmp(b->pbFormat, a.pbFormat, a.cbFormat), 0);
    FreeMediaType(a);
    DeleteMediaType(b);
}

// ---- the graph's filter list --------------------------------------------------------------

std::wstring NameOf(IBaseFilter* filter) {
    FILTER_INFO info{};
    EXPECT_EQ(filter->QueryFilterInfo(&info), S_OK);
    if (info.pGraph) info.pGraph->Release();
    return info.achName;
}

ComPtr<IBaseFilter> Make(const CLSID& clsid) {
    ComPtr<IBaseFilter> f;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, f.putVoid()),
              S_OK);
    return f;
}

TEST(MediaFilterGraph, MakesTakenNamesUniqueThePlatformsWay) {
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               graph.putVoid()),
              S_OK);
    ComPtr<IBaseFilter> a = Make(CLSID_NullRenderer), b = Make(CLSID_NullRenderer),
                        c = Make(CLSID_NullRenderer);
    EXPECT_EQ(graph->AddFilter(a.get(), L"NullRender"), S_OK);
    EXPECT_EQ(graph->AddFilter(b.get(), L"NullRender"), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(graph->AddFilter(c.get(), L"NullRender"), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(NameOf(a.get()), L"NullRender");
    EXPECT_EQ(NameOf(b.get()), L"NullRender 0001");
    EXPECT_EQ(NameOf(c.get()), L"NullRender 0002");
    // The same filter twice is refused; a removed one can come back under a new name.
    EXPECT_TRUE(FAILED(graph->AddFilter(a.get(), L"Other")));
    EXPECT_EQ(graph->RemoveFilter(b.get()), S_OK);
    EXPECT_EQ(graph->RemoveFilter(b.get()), VFW_E_NOT_FOUND);
    EXPECT_EQ(graph->AddFilter(b.get(), L"Null renderer2"), S_OK);
    EXPECT_EQ(NameOf(b.get()), L"Null renderer2");

    ComPtr<IBaseFilter> found;
    EXPECT_EQ(graph->FindFilterByName(L"NullRender 0002", found.put()), S_OK);
    EXPECT_EQ(found.get(), c.get());

    ComPtr<IEnumFilters> filters;
    ASSERT_EQ(graph->EnumFilters(filters.put()), S_OK);
    std::vector<IBaseFilter*> seen;
    ComPtr<IBaseFilter> f;
    while (filters->Next(1, f.put(), nullptr) == S_OK) seen.push_back(f.get());
    // Most recently added first.
    EXPECT_EQ(seen, (std::vector<IBaseFilter*>{b.get(), c.get(), a.get()}));
}

TEST(MediaFilterGraph, ReleasingTheGraphLeavesFiltersUsable) {
    ComPtr<IBaseFilter> grabber = Make(CLSID_SampleGrabber);
    {
        ComPtr<IGraphBuilder> graph;
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder, graph.putVoid()),
                  S_OK);
        ASSERT_EQ(graph->AddFilter(grabber.get(), L"Grabber"), S_OK);
    }
    FILTER_INFO info{};
    ASSERT_EQ(grabber->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, nullptr);
}

TEST(MediaFilterGraph, PinsAnswerDirectionCategoryAndName) {
    ComPtr<IBaseFilter> tee = Make(CLSID_SmartTee);
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(tee->EnumPins(pins.put()), S_OK);
    ComPtr<IPin> pin;
    std::vector<std::wstring> names;
    while (pins->Next(1, pin.put(), nullptr) == S_OK) {
        PIN_INFO info{};
        ASSERT_EQ(pin->QueryPinInfo(&info), S_OK);
        EXPECT_EQ(info.pFilter, tee.get());
        info.pFilter->Release();
        names.push_back(info.achName);
        ComPtr<IKsPropertySet> props;
        ASSERT_EQ(pin.as(IID_IKsPropertySet, props), S_OK);
        GUID category{};
        DWORD returned = 0;
        HRESULT hr = props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                                sizeof category, &returned);
        ASSERT_EQ(hr, S_OK);
        if (info.achName == std::wstring(L"Capture")) {
            EXPECT_TRUE(category == PIN_CATEGORY_CAPTURE);
        }
        if (info.achName == std::wstring(L"Preview")) {
            EXPECT_TRUE(category == PIN_CATEGORY_PREVIEW);
        }
        ComPtr<IPin> peer;
        EXPECT_EQ(pin->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Input", L"Capture", L"Preview"}));
}

}  // namespace

// Why a source failed, from its error; the system's reason travels in the details, in the
// language of its text. A source's ENOSPC is the USB bus's, never the disk's.
TEST(MediaFilterGraph, SourceErrorsTellBusyPermissionAndBandwidthApart) {
    struct Case {
        GstResourceError code;
        std::string debug;
        HRESULT expected;
    };
    const std::string denied = std::string("system error: ") + g_strerror(EACCES);
    const Case cases[] = {
        {GST_RESOURCE_ERROR_BUSY, "", E_DEVICE_BUSY},
        {GST_RESOURCE_ERROR_NOT_AUTHORIZED, "", E_ACCESSDENIED},
        {GST_RESOURCE_ERROR_OPEN_READ_WRITE, denied, E_ACCESSDENIED},
        {GST_RESOURCE_ERROR_OPEN_READ_WRITE, g_strerror(ENOENT), E_FAIL},
        {GST_RESOURCE_ERROR_READ, denied, E_FAIL},
        {GST_RESOURCE_ERROR_NO_SPACE_LEFT, "", E_NO_BANDWIDTH},
        {GST_RESOURCE_ERROR_FAILED, std::string("STREAMON: ") + g_strerror(ENOSPC), E_NO_BANDWIDTH},
        {GST_RESOURCE_ERROR_SETTINGS, "Buffer pool activation failed", E_NO_BANDWIDTH},
    };
    for (const Case& c : cases) {
        GError* error = g_error_new_literal(GST_RESOURCE_ERROR, c.code, "failed");
        EXPECT_EQ(SourceErrorResult(error, c.debug.c_str()), c.expected) << c.code;
        g_error_free(error);
    }
    GError* stream = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_FAILED, "failed");
    EXPECT_EQ(SourceErrorResult(stream, nullptr), E_FAIL);
    g_error_free(stream);
}
