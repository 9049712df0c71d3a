// Device enumeration through the system device enumerator over the device monitor, and the
// capture source a moniker binds to: pins, stream formats, pages, still trigger.
#include <gtest/gtest.h>

#include <algorithm>

#include "MediaTestSupport.h"
#include "media/MediaType.h"
#include "media/VirtualCameraProvider.h"

using namespace mediatest;
using lumi::devices::DeviceMonitor;
using lumi::devices::PixelFormat;
using lumi::devices::VirtualCamera;
using lumi::devices::VirtualCameraProvider;

namespace {

struct Listed {
    std::vector<std::string> names;
    std::vector<ComPtr<IMoniker>> monikers;
};

// The engine's EnumDevices loop.
HRESULT ListDevices(Listed& out) {
    ComPtr<ICreateDevEnum> devices;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ICreateDevEnum, devices.putVoid());
    if (hr != S_OK) return hr;
    ComPtr<IEnumMoniker> monikers;
    hr = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.put(), 0);
    if (hr != S_OK) return hr;
    monikers->Reset();
    ComPtr<IMoniker> moniker;
    ULONG fetched = 0;
    while (monikers->Next(1, moniker.put(), &fetched) == S_OK) {
        ComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.putVoid())))
            continue;
        VARIANT name;
        VariantInit(&name);
        name.vt = VT_BSTR;
        if (bag->Read(L"FriendlyName", &name, nullptr) == S_OK) {
            char buffer[2048];
            WideCharToMultiByte(CP_ACP, 0, name.bstrVal, -1, buffer, 2048, nullptr, nullptr);
            out.names.push_back(buffer);
            out.monikers.push_back(moniker);
            SysFreeString(name.bstrVal);
        }
    }
    return S_OK;
}

class MediaDeviceEnumeration : public ::testing::Test {
protected:
    void SetUp() override {
        VirtualCameraProvider::removeAll();
        ASSERT_EQ(VirtualCameraProvider::addCamera("Enum Camera A"), "Enum Camera A");
        VirtualCamera::Options still;
        still.stillPin = true;
        ASSERT_EQ(VirtualCameraProvider::addCamera("Enum Camera B", still), "Enum Camera B");
    }
    void TearDown() override { VirtualCameraProvider::removeAll(); }
};

TEST_F(MediaDeviceEnumeration, ListsFriendlyNamesInTheMonitorsOrder) {
    Listed listed;
    ASSERT_EQ(ListDevices(listed), S_OK);
    std::vector<std::string> expected;
    for (const auto& d : DeviceMonitor::instance().devices()) expected.push_back(d.name);
    EXPECT_EQ(listed.names, expected);
    EXPECT_NE(std::find(listed.names.begin(), listed.names.end(), "Enum Camera A"),
              listed.names.end());
    EXPECT_NE(std::find(listed.names.begin(), listed.names.end(), "Enum Camera B"),
              listed.names.end());

    // An unknown property is not there; the bag is read-only.
    ComPtr<IPropertyBag> bag;
    ASSERT_EQ(listed.monikers[0]->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.putVoid()),
              S_OK);
    VARIANT v;
    VariantInit(&v);
    EXPECT_TRUE(FAILED(bag->Read(L"NoSuchProperty", &v, nullptr)));
    EXPECT_EQ(v.vt, VT_EMPTY);
}

TEST_F(MediaDeviceEnumeration, AnEmptyCategoryGivesSFalseAndNoEnumerator) {
    VirtualCameraProvider::removeAll();
    if (!DeviceMonitor::instance().devices().empty()) GTEST_SKIP() << "a real camera is present";
    ComPtr<ICreateDevEnum> devices;
    ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ICreateDevEnum, devices.putVoid()),
              S_OK);
    IEnumMoniker* monikers = reinterpret_cast<IEnumMoniker*>(0x1);
    EXPECT_EQ(devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0),
              S_FALSE);
    EXPECT_EQ(monikers, nullptr);
}

ComPtr<IBaseFilter> Bind(const std::string& name) {
    Listed listed;
    EXPECT_EQ(ListDevices(listed), S_OK);
    for (std::size_t i = 0; i < listed.names.size(); ++i) {
        if (listed.names[i] != name) continue;
        ComPtr<IBaseFilter> filter;
        EXPECT_EQ(
            listed.monikers[i]->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.putVoid()),
            S_OK);
        return filter;
    }
    ADD_FAILURE() << name << " not listed";
    return {};
}

std::vector<std::wstring> PinNames(IBaseFilter* filter) {
    std::vector<std::wstring> names;
    ComPtr<IEnumPins> pins;
    filter->EnumPins(pins.put());
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.put(), nullptr) == S_OK) {
        PIN_INFO info{};
        pin->QueryPinInfo(&info);
        info.pFilter->Release();
        names.push_back(info.achName);
    }
    return names;
}

TEST_F(MediaDeviceEnumeration, BoundFiltersHaveTheDevicesPinsAndControls) {
    ComPtr<IBaseFilter> a = Bind("Enum Camera A");
    ComPtr<IBaseFilter> b = Bind("Enum Camera B");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(PinNames(a.get()), std::vector<std::wstring>{L"Capture"});
    EXPECT_EQ(PinNames(b.get()), (std::vector<std::wstring>{L"Capture", L"Still"}));
    ComPtr<IAMVideoControl> control;
    EXPECT_EQ(a.as(IID_IAMVideoControl, control), E_NOINTERFACE);
    EXPECT_EQ(b.as(IID_IAMVideoControl, control), S_OK);

    ComPtr<ISpecifyPropertyPages> pages;
    ASSERT_EQ(a.as(IID_ISpecifyPropertyPages, pages), S_OK);
    CAUUID ids{};
    ASSERT_EQ(pages->GetPages(&ids), S_OK);
    ASSERT_EQ(ids.cElems, 1u);
    EXPECT_TRUE(ids.pElems[0] == CLSID_VideoProcAmpPropertyPage);
    CoTaskMemFree(ids.pElems);
    auto* source = dynamic_cast<CaptureSourceFilter*>(a.get());
    ASSERT_NE(source, nullptr);
    ASSERT_NE(source->controls(), nullptr);
    EXPECT_EQ(source->controls()->controls().size(), 4u);  // brightness .. hue
}

TEST_F(MediaDeviceEnumeration, StreamConfigListsSetsAndRefusesFormats) {
    ComPtr<IBaseFilter> filter = Bind("Enum Camera A");
    ASSERT_TRUE(filter);
    ComPtr<ICaptureGraphBuilder2> builder;
    ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ICaptureGraphBuilder2, builder.putVoid()),
              S_OK);
    ComPtr<IAMStreamConfig> config;
    ASSERT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, filter.get(),
                                     IID_IAMStreamConfig, config.putVoid()),
              S_OK);
    int count = 0, size = 0;
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    ASSERT_EQ(count, int(VirtualCamera::formats().size()));
    EXPECT_EQ(size, int(sizeof(VIDEO_STREAM_CONFIG_CAPS)));
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* mt = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps{};
        ASSERT_EQ(config->GetStreamCaps(i, &mt, reinterpret_cast<BYTE*>(&caps)), S_OK);
        const auto& expected = VirtualCamera::formats()[std::size_t(i)];
        EXPECT_TRUE(mt->subtype == (expected.pixelFormat == PixelFormat::Mjpg ? MEDIASUBTYPE_MJPG
                                                                              : MEDIASUBTYPE_YUY2));
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
        EXPECT_EQ(vih->bmiHeader.biWidth, expected.width);
        EXPECT_EQ(vih->bmiHeader.biHeight, expected.height);
        EXPECT_EQ(caps.MinFrameInterval, 333333);
        DeleteMediaType(mt);
    }
    AM_MEDIA_TYPE* beyond = nullptr;
    VIDEO_STREAM_CONFIG_CAPS unused{};
    EXPECT_EQ(config->GetStreamCaps(count, &beyond, reinterpret_cast<BYTE*>(&unused)), S_FALSE);

    // Choose MJPG 1280x720 as a format page would: a listed type, then read it back.
    AM_MEDIA_TYPE* chosen = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(config->GetStreamCaps(4, &chosen, reinterpret_cast<BYTE*>(&caps)), S_OK);
    ASSERT_EQ(config->SetFormat(chosen), S_OK);
    AM_MEDIA_TYPE* current = nullptr;
    ASSERT_EQ(config->GetFormat(&current), S_OK);
    EXPECT_TRUE(current->subtype == MEDIASUBTYPE_MJPG);
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(current->pbFormat)->bmiHeader.biWidth, 1280);
    // A size the camera does not offer is refused and changes nothing.
    reinterpret_cast<VIDEOINFOHEADER*>(chosen->pbFormat)->bmiHeader.biWidth = 800;
    EXPECT_EQ(config->SetFormat(chosen), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(config->SetFormat(nullptr), E_POINTER);
    DeleteMediaType(current);
    ASSERT_EQ(config->GetFormat(&current), S_OK);
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(current->pbFormat)->bmiHeader.biWidth, 1280);
    DeleteMediaType(current);
    DeleteMediaType(chosen);

    ComPtr<ISpecifyPropertyPages> pages;
    ASSERT_EQ(config.as(IID_ISpecifyPropertyPages, pages), S_OK);
    CAUUID ids{};
    ASSERT_EQ(pages->GetPages(&ids), S_OK);
    ASSERT_EQ(ids.cElems, 1u);
    EXPECT_TRUE(ids.pElems[0] == CLSID_VideoStreamConfigPropertyPage);
    CoTaskMemFree(ids.pElems);

    // The engine's graph then runs in the chosen format.
    EngineGraph g;
    ASSERT_EQ(g.build(filter.get()), S_OK);
    ASSERT_EQ(g.connect(), S_OK);
    EXPECT_EQ(g.width, 1280);
    EXPECT_EQ(g.height, 720);
    ASSERT_EQ(g.control->Run(), S_OK);
    EXPECT_TRUE(WaitFor([&] { return g.frames.buffers >= 3; }));
    EXPECT_EQ(g.frames.lastLength, 1280 * 3 * 720);
    // No format change while frames flow.
    ASSERT_EQ(config->GetFormat(&current), S_OK);
    EXPECT_EQ(config->SetFormat(current), VFW_E_NOT_STOPPED);
    g.control->Stop();
    EXPECT_EQ(config->SetFormat(current), S_OK);
    DeleteMediaType(current);
}

}  // namespace
