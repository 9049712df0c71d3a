#include "capture/CCaptureVideo.h"

#include <functional>

#include "frames/CSampleGrabberCB.h"
#include "frames/CSampleGrabberCBStill.h"
#include "frames/FrameState.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"
#include "resources/StringTable.h"
#include "settings/SharedState.h"

namespace {

// String pairs of the engine's failure messages (the even, Russian, id of each pair).
constexpr int kRunFailed = 148;
constexpr int kCoInitializeFailed = 150;
constexpr int kCannotBuildGraph = 152;
constexpr int kCannotSetMediaType = 154;
constexpr int kCannotReadConnectedType = 156;
constexpr int kNoVideoInterfaces = 158;
constexpr int kNoSampleGrabber = 160;
constexpr int kCannotAddGrabber = 162;
// A camera that cannot start: "%1" is its name.
constexpr int kCameraBusy = 176;
constexpr int kCameraNoPermission = 178;
constexpr int kCameraNoBandwidth = 182;

// The type both grabbers accept: video, RGB32 (the screen's own pixel layout, so that the
// paint draws frames as they come), any size, no format block.
AM_MEDIA_TYPE GrabberMediaType() {
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB32;
    return mt;
}

ComPtr<ICreateDevEnum> CreateDeviceEnumerator(ComPtr<IEnumMoniker>& monikers) {
    ComPtr<ICreateDevEnum> devices;
    if (CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                         devices.putVoid()) != S_OK) {
        return {};
    }
    // S_FALSE (an empty category) counts as a failure too.
    if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.put(), 0) != S_OK ||
        !monikers) {
        monikers = nullptr;
        return {};
    }
    return devices;
}

// The device's friendly name, or an empty BSTR when its property bag or name cannot be read.
BSTR ReadFriendlyName(IMoniker* moniker) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.putVoid())) || !bag)
        return nullptr;
    VARIANT name;
    VariantInit(&name);
    name.vt = VT_BSTR;
    if (bag->Read(L"FriendlyName", &name, nullptr) != S_OK) return nullptr;
    if (name.vt != VT_BSTR) {
        VariantClear(&name);
        return nullptr;
    }
    return name.bstrVal;
}

// fn(moniker, name) for each device whose name can be read, in their order, until fn
// returns false; the name is freed afterwards. False when the devices cannot be enumerated.
bool ForEachNamedDevice(const std::function<bool(IMoniker*, BSTR)>& fn) {
    ComPtr<IEnumMoniker> monikers;
    ComPtr<ICreateDevEnum> devices = CreateDeviceEnumerator(monikers);
    if (!devices) return false;
    monikers->Reset();
    ComPtr<IMoniker> moniker;
    ULONG fetched = 0;
    while (monikers->Next(1, moniker.put(), &fetched) == S_OK) {
        if (!moniker) continue;
        BSTR name = ReadFriendlyName(moniker.get());
        if (name == nullptr) continue;
        const bool more = fn(moniker.get(), name);
        SysFreeString(name);
        if (!more) break;
    }
    return true;
}

// The moniker of the device at position, counted as EnumDevices lists them; empty past the
// last. False when the devices cannot be enumerated.
bool FindMoniker(int position, ComPtr<IMoniker>& found) {
    int index = 0;
    return ForEachNamedDevice([&](IMoniker* moniker, BSTR) {
        if (index++ != position) return true;
        found = moniker;
        return false;
    });
}

QString FromBstr(BSTR text) {
    const QString result = text != nullptr ? QString::fromWCharArray(text) : QString();
    SysFreeString(text);
    return result;
}

}  // namespace

CCaptureVideo::CCaptureVideo() {
    const HRESULT hr = CoInitialize(nullptr);
    if (FAILED(hr)) {
        ShowMessage(kCoInitializeFailed);
        return;
    }
    m_hOwner = nullptr;
    m_pVideoWindow = nullptr;
    m_pMediaControl = nullptr;
    m_pGraph = nullptr;
    m_pCaptureBuilder = nullptr;
}

CCaptureVideo::~CCaptureVideo() {
    ReleaseGraph();
    FreeFrameBuffer();
    CoUninitialize();
}

void CCaptureVideo::ShowMessage(int russianId) {
    AfxMessageBox(LoadStringForLanguage(russianId, LanguageFlag), MB_OK);
}

int CCaptureVideo::EnumDevices(HWND list) {
    int count = 0;
    const bool enumerated = ForEachNamedDevice([&](IMoniker*, BSTR name) {
        ++count;
        char buffer[2048];
        if (WideCharToMultiByte(CP_ACP, 0, name, -1, buffer, sizeof buffer, nullptr, nullptr) ==
            0) {
            buffer[0] = '\0';  // a name too long for the buffer is listed empty
        }
        SendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(buffer));
        return true;
    });
    return enumerated ? count : -1;
}

bool CCaptureVideo::BindDevice(int position, IBaseFilter** filter) {
    ComPtr<IMoniker> moniker;
    if (!FindMoniker(position, moniker)) return false;
    if (moniker)
        moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filter));
    return true;
}

QString CCaptureVideo::DeviceIdentity(int position) {
    ComPtr<IMoniker> moniker;
    LPOLESTR name = nullptr;
    if (!FindMoniker(position, moniker) || !moniker ||
        FAILED(moniker->GetDisplayName(nullptr, nullptr, &name)) || name == nullptr)
        return {};
    const QString identity = QString::fromWCharArray(name);
    CoTaskMemFree(name);
    return identity;
}

void CCaptureVideo::ShowStartFailure(int position, HRESULT hr) {
    const int text = hr == E_DEVICE_BUSY    ? kCameraBusy
                     : hr == E_ACCESSDENIED ? kCameraNoPermission
                     : hr == E_NO_BANDWIDTH ? kCameraNoBandwidth
                                            : 0;
    if (text == 0) {
        ShowMessage(kCannotBuildGraph);
        return;
    }
    ComPtr<IMoniker> moniker;
    const QString name =
        FindMoniker(position, moniker) && moniker ? FromBstr(ReadFriendlyName(moniker.get())) : "";
    AfxMessageBox(LoadStringForLanguage(text, LanguageFlag).arg(name), MB_OK);
}

HRESULT CCaptureVideo::OpenDevice(int position) {
    ReleaseGraph();
    return BuildCaptureGraph(position);
}

HRESULT CCaptureVideo::CreateGraphObjects() {
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                     m_pGraph.putVoid());
    HRESULT hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr,
                                  CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                  IID_ICaptureGraphBuilder2, m_pCaptureBuilder.putVoid());
    if (FAILED(hr)) return hr;
    m_pCaptureBuilder->SetFiltergraph(m_pGraph.get());
    hr = m_pGraph.as(IID_IMediaControl, m_pMediaControl);
    if (FAILED(hr)) return hr;
    return m_pGraph.as(IID_IVideoWindow, m_pVideoWindow);
}

HRESULT CCaptureVideo::BuildCaptureGraph(int position) {
    m_hOwner = nullptr;

    HRESULT hr = CreateGraphObjects();
    if (FAILED(hr)) {
        ShowMessage(kNoVideoInterfaces);
        return hr;
    }

    if (position < 0 || !BindDevice(position, m_pCaptureFilter.put())) return 1;
    m_pGraph->AddFilter(m_pCaptureFilter.get(), L"Capture Filter");

    hr = CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                          m_pGrabberFilter.putVoid());
    if (!m_pGrabberFilter) {
        ShowMessage(kNoSampleGrabber);
        return FAILED(hr) ? hr : E_POINTER;
    }
    m_pGrabberFilter.as(IID_ISampleGrabber, m_pGrabber);

    hr = CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                          m_pStillGrabberFilter.putVoid());
    if (!m_pStillGrabberFilter) {
        ShowMessage(kNoSampleGrabber);
        return FAILED(hr) ? hr : E_POINTER;
    }
    m_pStillGrabberFilter.as(IID_ISampleGrabber, m_pStillGrabber);

    AM_MEDIA_TYPE mt = GrabberMediaType();
    hr = m_pGrabber ? m_pGrabber->SetMediaType(&mt) : E_NOINTERFACE;
    if (SUCCEEDED(hr)) hr = m_pStillGrabber ? m_pStillGrabber->SetMediaType(&mt) : E_NOINTERFACE;
    if (FAILED(hr)) {
        ShowMessage(kCannotSetMediaType);
        return hr;
    }

    m_pGraph->AddFilter(m_pGrabberFilter.get(), L"Grabber");
    hr = m_pGraph->AddFilter(m_pStillGrabberFilter.get(), L"GrabberStill");
    if (FAILED(hr)) {
        ShowMessage(kCannotAddGrabber);
        return hr;
    }

    CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                     m_pNullRenderer.putVoid());
    CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                     m_pNullRenderer2.putVoid());
    m_pGraph->AddFilter(m_pNullRenderer.get(), L"NullRender");
    m_pGraph->AddFilter(m_pNullRenderer2.get(), L"NullRender");

    hr = ConnectBranches();
    if (FAILED(hr)) return hr;
    // A camera that does not start says why; the still trigger's result does not count.
    hr = m_pMediaControl->Run();
    if (FAILED(hr)) {
        ShowStartFailure(position, hr);
        return hr;
    }
    TriggerStillPin();
    return 0;
}

HRESULT CCaptureVideo::ConnectAndRun() {
    if (!m_pGraph || !m_pCaptureBuilder || !m_pMediaControl || !m_pGrabber || !m_pStillGrabber)
        return E_POINTER;
    AM_MEDIA_TYPE mt = GrabberMediaType();
    HRESULT hr = m_pGrabber->SetMediaType(&mt);
    if (SUCCEEDED(hr)) hr = m_pStillGrabber->SetMediaType(&mt);
    if (FAILED(hr)) {
        ShowMessage(kCannotSetMediaType);
        return hr;
    }
    hr = ConnectBranches();
    if (FAILED(hr)) return hr;
    hr = m_pMediaControl->Run();
    if (FAILED(hr)) {
        ShowMessage(kRunFailed);
        return hr;
    }
    return TriggerStillPin();
}

HRESULT CCaptureVideo::ConnectBranches() {
    // Frame branch: the preview output, else the capture output.
    HRESULT hr = m_pCaptureBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video,
                                                 m_pCaptureFilter.get(), m_pGrabberFilter.get(),
                                                 m_pNullRenderer2.get());
    if (FAILED(hr)) {
        hr = m_pCaptureBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                             m_pCaptureFilter.get(), m_pGrabberFilter.get(),
                                             m_pNullRenderer2.get());
    }
    if (FAILED(hr)) {
        ShowMessage(kCannotBuildGraph);
        return hr;
    }

    // Still branch, tried twice; without it the graph has no still branch.
    if (FAILED(m_pCaptureBuilder->RenderStream(&PIN_CATEGORY_STILL, &MEDIATYPE_Video,
                                               m_pCaptureFilter.get(), m_pStillGrabberFilter.get(),
                                               m_pNullRenderer.get()))) {
        m_pCaptureBuilder->RenderStream(&PIN_CATEGORY_STILL, &MEDIATYPE_Video,
                                        m_pCaptureFilter.get(), m_pStillGrabberFilter.get(),
                                        m_pNullRenderer.get());
    }

    // Frame size from the connected type. A type without a video format block is treated
    // as unreadable rather than read past its end.
    AM_MEDIA_TYPE connected{};
    hr = m_pGrabber->GetConnectedMediaType(&connected);
    if (SUCCEEDED(hr) &&
        (connected.pbFormat == nullptr || connected.cbFormat < sizeof(VIDEOINFOHEADER))) {
        FreeMediaType(connected);
        hr = VFW_E_INVALIDMEDIATYPE;
    }
    if (FAILED(hr)) {
        ShowMessage(kCannotReadConnectedType);
        return hr;
    }
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(connected.pbFormat);
    const LONG width = info->bmiHeader.biWidth;
    const LONG height = info->bmiHeader.biHeight;
    FrameCallback.Width = width;
    FrameCallback.Height = height;
    FrameCallback.BitCount = info->bmiHeader.biBitCount;
    StillCallback.Width = width;
    StillCallback.Height = height;
    m_nWidth = width;
    m_nHeight = height;
    FreeMediaType(connected);

    m_pGrabber->SetOneShot(FALSE);
    // SampleCB: the frame sink keeps the delivered frame instead of copying it.
    m_pGrabber->SetCallback(&FrameCallback, 0);
    m_pStillGrabber->SetOneShot(FALSE);
    m_pStillGrabber->SetCallback(&StillCallback, 0);

    SetupVideoWindow();
    return S_OK;
}

HRESULT CCaptureVideo::TriggerStillPin() {
    if (!m_pCaptureBuilder) return E_POINTER;
    ComPtr<IAMVideoControl> control;
    HRESULT hr = m_pCaptureFilter.as(IID_IAMVideoControl, control);
    if (FAILED(hr)) return hr;
    ComPtr<IPin> pin;
    hr = m_pCaptureBuilder->FindPin(m_pCaptureFilter.get(), PINDIR_OUTPUT, &PIN_CATEGORY_STILL,
                                    nullptr, FALSE, 0, pin.put());
    if (pin) hr = control->SetMode(pin.get(), VideoControlFlag_Trigger);
    return hr;
}

void CCaptureVideo::SetupVideoWindow() {
    if (!m_pVideoWindow) return;
    HRESULT hr = m_pVideoWindow->put_Owner(reinterpret_cast<OAHWND>(m_hOwner));
    if (FAILED(hr)) return;
    hr = m_pVideoWindow->put_WindowStyle(0x42000000);  // WS_CHILD | WS_CLIPCHILDREN
    if (FAILED(hr)) return;
    ResizeVideoWindow();
    m_pVideoWindow->put_Visible(OATRUE);
}

void CCaptureVideo::ResizeVideoWindow() {
    if (!m_pVideoWindow) return;
    // The owner's client rectangle: m_hOwner never receives a window, so it stays empty.
    const RECT client{};
    m_pVideoWindow->SetWindowPosition(0, 0, client.right, client.bottom);
}

void CCaptureVideo::FreeMediaType(AM_MEDIA_TYPE& mt) {
    if (mt.cbFormat != 0) {
        CoTaskMemFree(mt.pbFormat);
        mt.cbFormat = 0;
        mt.pbFormat = nullptr;
    }
    if (mt.pUnk != nullptr) {
        mt.pUnk->Release();
        mt.pUnk = nullptr;
    }
}

HRESULT CCaptureVideo::RestartGraph() {
    if (!m_pMediaControl || !m_pCaptureBuilder || !m_pCaptureFilter) return E_POINTER;
    m_pMediaControl->Stop();
    ResetGraph();
    const HRESULT hr = ConnectAndRun();  // the still trigger's result when it runs
    OAFilterState state = State_Stopped;
    m_pMediaControl->GetState(0, &state);
    return state == State_Running ? S_OK : FAILED(hr) ? hr : E_FAIL;
}

void CCaptureVideo::ResetGraph() {
    IBaseFilter* const own[] = {m_pCaptureFilter.get(), m_pGrabberFilter.get(),
                                m_pStillGrabberFilter.get(), m_pNullRenderer.get(),
                                m_pNullRenderer2.get()};
    for (IBaseFilter* filter : own) {
        if (filter != nullptr) RemoveDownstream(filter);
    }
    if (!m_pGraph) return;
    for (IBaseFilter* filter : own) {
        if (filter != nullptr) m_pGraph->RemoveFilter(filter);
    }
    m_pGraph->AddFilter(m_pNullRenderer.get(), L"Null renderer");
    m_pGraph->AddFilter(m_pNullRenderer2.get(), L"Null renderer2");
    m_pGraph->AddFilter(m_pGrabberFilter.get(), L"Sample grabber");
    m_pGraph->AddFilter(m_pStillGrabberFilter.get(), L"Sample grabberStill");
    m_pGraph->AddFilter(m_pCaptureFilter.get(), L"Capture source");
}

void CCaptureVideo::RemoveDownstream(IBaseFilter* filter) {
    if (filter == nullptr || !m_pGraph) return;
    ComPtr<IEnumPins> pins;
    if (filter->EnumPins(pins.put()) != S_OK || !pins) return;
    pins->Reset();
    ComPtr<IPin> pin;
    ULONG fetched = 0;
    while (pins->Next(1, pin.put(), &fetched) == S_OK) {
        if (!pin) continue;
        ComPtr<IPin> peer;
        pin->ConnectedTo(peer.put());
        if (!peer) continue;
        PIN_INFO info{};
        const HRESULT hr = peer->QueryPinInfo(&info);
        if (SUCCEEDED(hr) && info.dir == PINDIR_INPUT) {
            RemoveDownstream(info.pFilter);
            m_pGraph->Disconnect(peer.get());
            m_pGraph->Disconnect(pin.get());
            m_pGraph->RemoveFilter(info.pFilter);
        }
        if (SUCCEEDED(hr) && info.pFilter != nullptr) info.pFilter->Release();
        if (FAILED(hr)) break;
    }
}

void CCaptureVideo::ReleaseGraph() {
    if (m_pMediaControl) m_pMediaControl->Stop();
    if (m_pVideoWindow) {
        m_pVideoWindow->put_Visible(OAFALSE);
        m_pVideoWindow->put_Owner(0);
    }
    m_pCaptureBuilder = nullptr;
    m_pMediaControl = nullptr;
    m_pGraph = nullptr;
    m_pCaptureFilter = nullptr;
    m_pVideoWindow = nullptr;
    m_pGrabber = nullptr;
    m_pNullRenderer = nullptr;
    m_pNullRenderer2 = nullptr;
    m_pStillGrabber = nullptr;
    m_pGrabberFilter = nullptr;
    m_pStillGrabberFilter = nullptr;
    m_hOwner = nullptr;
}
