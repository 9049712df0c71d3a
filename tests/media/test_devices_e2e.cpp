// Virtual cameras on the path of real ones: device monitor, enumerator, bound capture source.
#include "platform/WindowMessage.h"  // first: its TRUE/FALSE precede GLib's macros

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <thread>

#include "MediaTestSupport.h"
#include "media/devices/DeviceMonitor.h"
#include "media/devices/virtual/VirtualCameraProvider.h"
#include "media/graph/MediaType.h"

using namespace mediatest;
using lumi::devices::DeviceInfo;
using lumi::devices::DeviceMonitor;
using lumi::devices::VirtualCamera;
using lumi::devices::VirtualCameraProvider;
using Names = std::vector<std::string>;

namespace {

constexpr WPARAM kArrival = DBT_DEVICEARRIVAL;
constexpr WPARAM kRemoval = DBT_DEVICEREMOVECOMPLETE;

class NoticeWindow : public QObject {
public:
    std::vector<WPARAM> notices;
    bool offThread = false;

    bool event(QEvent* e) override {
        if (e->type() != WindowMessageEvent::eventType()) return QObject::event(e);
        auto* m = static_cast<WindowMessageEvent*>(e);
        if (m->message() == WM_DEVICECHANGE) {
            notices.push_back(m->wParam());
            offThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        }
        return true;
    }
    // Until count notices arrived, then whatever else is already queued.
    bool waitFor(size_t count) {
        const bool arrived = WaitFor([&] { return notices.size() >= count; });
        QCoreApplication::processEvents();
        return arrived;
    }
};

Names VirtualNames(const DeviceMonitor& m) {
    Names names;
    for (const DeviceInfo& d : m.devices())
        if (d.isVirtual) names.push_back(d.name);
    return names;
}

class DeviceMonitorTest : public ::testing::Test {
protected:
    void SetUp() override { VirtualCameraProvider::removeAll(); }
    void TearDown() override {
        monitor.stop();
        VirtualCameraProvider::removeAll();
    }
    DeviceMonitor monitor;
    NoticeWindow window;
};

// No notices for the start-up list; later one a change, in order, on the UI thread, to live
// windows.
TEST_F(DeviceMonitorTest, StartupListThenNoticesInOrderOnceEach) {
    VirtualCameraProvider::addNumberedCameras(2);
    VirtualCameraProvider::addNumberedCameras(2);                         // nothing new
    EXPECT_EQ(VirtualCameraProvider::addCamera("Virtual Camera 2"), "");  // taken
    auto gone = std::make_unique<NoticeWindow>();
    monitor.registerWindow(gone.get());
    monitor.registerWindow(&window);
    monitor.registerWindow(&window);
    ASSERT_TRUE(monitor.start());
    gone.reset();
    ASSERT_EQ(VirtualNames(monitor), (Names{"Virtual Camera 1", "Virtual Camera 2"}));
    std::thread([] { VirtualCameraProvider::addCamera(); }).join();
    ASSERT_TRUE(window.waitFor(1));
    EXPECT_EQ(window.notices, (std::vector<WPARAM>{kArrival}));
    ASSERT_TRUE(VirtualCameraProvider::removeCamera("Virtual Camera 2"));
    EXPECT_FALSE(VirtualCameraProvider::removeCamera("Virtual Camera 2"));
    ASSERT_TRUE(window.waitFor(2));
    // A quick burst keeps its order; the freed number is taken again and lands last.
    EXPECT_EQ(VirtualCameraProvider::addCamera("Scope"), "Scope");
    ASSERT_TRUE(VirtualCameraProvider::removeCamera("Scope"));
    EXPECT_EQ(VirtualCameraProvider::addCamera(), "Virtual Camera 2");
    ASSERT_TRUE(window.waitFor(5));
    VirtualCameraProvider::addCamera("Last");
    ASSERT_TRUE(window.waitFor(6));
    EXPECT_EQ(window.notices,
              (std::vector<WPARAM>{kArrival, kRemoval, kArrival, kRemoval, kArrival, kArrival}));
    EXPECT_EQ(VirtualCameraProvider::cameras(),
              (Names{"Virtual Camera 1", "Virtual Camera 3", "Virtual Camera 2", "Last"}));
    EXPECT_EQ(VirtualNames(monitor), VirtualCameraProvider::cameras());
    EXPECT_FALSE(window.offThread);
    // Stopped, it lists nothing; started again, the start-up list again gives no notices.
    monitor.stop();
    EXPECT_TRUE(monitor.devices().empty());
    ASSERT_TRUE(monitor.start());
    EXPECT_EQ(VirtualNames(monitor).size(), 4u);
    VirtualCameraProvider::addCamera("Sentinel");
    ASSERT_TRUE(window.waitFor(7));
    EXPECT_EQ(window.notices.size(), 7u);
    // A window that left hears nothing more.
    monitor.unregisterWindow(&window);
    VirtualCameraProvider::addCamera("Unheard");
    NoticeWindow late;
    monitor.registerWindow(&late);
    ASSERT_TRUE(late.waitFor(1));
    EXPECT_EQ(window.notices.size(), 7u);
}

// The engine's EnumDevices loop: friendly names and their monikers.
HRESULT ListDevices(Names& names, std::vector<ComPtr<IMoniker>>& monikers) {
    ComPtr<ICreateDevEnum> devices;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ICreateDevEnum, devices.putVoid());
    ComPtr<IEnumMoniker> list;
    if (hr == S_OK)
        hr = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.put(), 0);
    if (hr != S_OK) return hr;
    list->Reset();
    ComPtr<IMoniker> moniker;
    ULONG fetched = 0;
    while (list->Next(1, moniker.put(), &fetched) == S_OK) {
        ComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.putVoid())))
            continue;
        VARIANT name;
        VariantInit(&name);
        name.vt = VT_BSTR;
        if (bag->Read(L"FriendlyName", &name, nullptr) != S_OK) continue;
        names.push_back(QString::fromWCharArray(name.bstrVal).toStdString());
        monikers.push_back(moniker);
        SysFreeString(name.bstrVal);
    }
    return S_OK;
}

class MediaDeviceEnumeration : public ::testing::Test {
protected:
    void SetUp() override {
        VirtualCameraProvider::removeAll();
        ASSERT_EQ(VirtualCameraProvider::addCamera("Enum Camera A"), "Enum Camera A");
        ASSERT_EQ(VirtualCameraProvider::addCamera("Enum Camera B", {.stillPin = true}),
                  "Enum Camera B");
        ASSERT_EQ(ListDevices(names, monikers), S_OK);
    }
    void TearDown() override { VirtualCameraProvider::removeAll(); }
    ComPtr<IBaseFilter> Bind(const std::string& name) {
        const std::size_t i =
            std::size_t(std::find(names.begin(), names.end(), name) - names.begin());
        ComPtr<IBaseFilter> filter;
        EXPECT_TRUE(i < names.size() && monikers[i]->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                                                  filter.putVoid()) == S_OK)
            << name;
        return filter;
    }
    Names names;
    std::vector<ComPtr<IMoniker>> monikers;
};

std::vector<CLSID> PagesOf(IUnknown* object) {
    ComPtr<ISpecifyPropertyPages> specify;
    CAUUID pages{};
    if (object->QueryInterface(IID_ISpecifyPropertyPages, specify.putVoid()) == S_OK)
        specify->GetPages(&pages);
    std::vector<CLSID> ids(pages.pElems, pages.pElems + pages.cElems);
    CoTaskMemFree(pages.pElems);
    return ids;
}

// Only a camera with a still pin offers its trigger; an unknown property reads nothing; no camera
// at all gives S_FALSE.
TEST_F(MediaDeviceEnumeration, BindsTheMonitorsDevices) {
    ComPtr<IBaseFilter> a = Bind("Enum Camera A"), b = Bind("Enum Camera B");
    ASSERT_TRUE(a && b);
    ComPtr<IAMVideoControl> control;
    EXPECT_EQ(a.as(IID_IAMVideoControl, control), E_NOINTERFACE);
    EXPECT_EQ(b.as(IID_IAMVideoControl, control), S_OK);
    ComPtr<IPropertyBag> bag;
    ASSERT_EQ(monikers[0]->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.putVoid()), S_OK);
    VARIANT v;
    VariantInit(&v);
    EXPECT_TRUE(FAILED(bag->Read(L"NoSuchProperty", &v, nullptr)));
    EXPECT_EQ(v.vt, VT_EMPTY);
    VirtualCameraProvider::removeAll();
    if (!DeviceMonitor::instance().devices().empty()) GTEST_SKIP() << "a real camera is present";
    ComPtr<ICreateDevEnum> devices;
    ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ICreateDevEnum, devices.putVoid()),
              S_OK);
    IEnumMoniker* none = reinterpret_cast<IEnumMoniker*>(0x1);
    EXPECT_EQ(devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &none, 0), S_FALSE);
    EXPECT_EQ(none, nullptr);
}

// A listed format chosen, an unlisted one refused; the graph runs in the chosen one.
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
    EXPECT_EQ(PagesOf(config.get()), std::vector<CLSID>{CLSID_VideoStreamConfigPropertyPage});
    int count = 0, size = 0;
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    ASSERT_EQ(count, int(VirtualCamera::formats().size()));
    AM_MEDIA_TYPE* chosen = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    EXPECT_EQ(config->GetStreamCaps(count, &chosen, reinterpret_cast<BYTE*>(&caps)), S_FALSE);
    ASSERT_EQ(config->GetStreamCaps(4, &chosen, reinterpret_cast<BYTE*>(&caps)), S_OK);
    ASSERT_EQ(config->SetFormat(chosen), S_OK);
    reinterpret_cast<VIDEOINFOHEADER*>(chosen->pbFormat)->bmiHeader.biWidth = 800;
    EXPECT_EQ(config->SetFormat(chosen), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(config->SetFormat(nullptr), E_POINTER);
    DeleteMediaType(chosen);
    EngineGraph g;  // the graph runs in the chosen format
    ASSERT_EQ(g.build(filter.get()), S_OK);
    ASSERT_EQ(g.connect(), S_OK);
    EXPECT_EQ(std::make_pair(g.width, g.height), std::make_pair(1280, 720));
}

}  // namespace
