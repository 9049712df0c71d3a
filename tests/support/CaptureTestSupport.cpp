#include "CaptureTestSupport.h"

#include "frames/CSampleGrabberCB.h"
#include "frames/FrameState.h"
#include "frames/SnapshotHook.h"
#include "media/devices/virtual/VirtualCameraProvider.h"
#include "media/pages/PropertyFrame.h"
#include "platform/WindowMessage.h"
#include "settings/SharedState.h"

namespace capturetest {

using lumi::devices::VirtualCameraProvider;

bool DeviceListWindow::event(QEvent* event) {
    if (event->type() != WindowMessageEvent::eventType()) return QObject::event(event);
    auto* message = static_cast<WindowMessageEvent*>(event);
    if (message->message() == CB_ADDSTRING)
        entries << QString::fromUtf8(reinterpret_cast<const char*>(message->lParam()));
    else if (message->message() == CB_RESETCONTENT)
        entries.clear();
    message->result = entries.size() - (message->message() == CB_ADDSTRING ? 1 : 0);
    return true;
}

std::vector<std::pair<std::wstring, IBaseFilter*>> FiltersOf(IFilterGraph* graph) {
    std::vector<std::pair<std::wstring, IBaseFilter*>> result;
    ComPtr<IEnumFilters> list;
    if (graph == nullptr || FAILED(graph->EnumFilters(list.put()))) return result;
    // The graph keeps its own reference.
    for (ComPtr<IBaseFilter> f; list->Next(1, f.put(), nullptr) == S_OK;)
        result.emplace_back(NameOf(f.get()), f.get());
    return result;
}

std::wstring NameOf(IBaseFilter* filter) {
    FILTER_INFO info{};
    if (filter == nullptr || FAILED(filter->QueryFilterInfo(&info)) || !info.pGraph) return {};
    info.pGraph->Release();
    return info.achName;
}

LONG BufferedSize() {
    LONG size = 0;
    WithFrameBuffer([&](const BYTE*, LONG s) { size = s; });
    return size;
}

bool Running(IMediaControl* control) {
    OAFilterState state = State_Stopped;
    return control != nullptr && SUCCEEDED(control->GetState(5000, &state)) &&
           state == State_Running;
}

static void ResetState() {
    VirtualCameraProvider::removeAll();
    SetSaveSnapshot(nullptr);
    SetMainWindowHandle(nullptr);
    LanguageFlag = 0;
    StillRequested = 0;
    PreviewFrozen = 0;
    FrameCallback.CrosshairOn = false;
    FreeFrameBuffer();
    lumi::pages::PropertyFrame::setShownHook(nullptr);
}

void EngineTest::SetUp() {
    ResetState();
    pictures = 0;
    pictureLength = 0;
    SetSaveSnapshot([](CSampleGrabberCB&, LONG length, BYTE*) {
        pictureLength = length;
        ++pictures;
    });
}

void EngineTest::TearDown() {
    engine.ReleaseGraph();
    ResetState();
}

HRESULT EngineTest::Open(bool stillPin) {
    VirtualCameraProvider::addCamera("Engine Camera", {.stillPin = stillPin});
    const int position = PositionOf("Engine Camera");
    EXPECT_GE(position, 0);
    const HRESULT hr = engine.OpenDevice(position);
    auto* source = dynamic_cast<CaptureSourceFilter*>(engine.m_pCaptureFilter.get());
    if (source) camera = lumi::devices::VirtualCamera::fromElement(source->sourceElement());
    return hr;
}

CaptureSourceFilter* EngineTest::OpenStripped(lumi::devices::PixelFormat format, int width,
                                              int height) {
    auto* source = Open(false) == 0
                       ? dynamic_cast<CaptureSourceFilter*>(engine.m_pCaptureFilter.get())
                       : nullptr;
    if (source == nullptr) return nullptr;
    engine.m_pMediaControl->Stop();
    engine.ResetGraph();
    return source->setFormat({format, width, height, {30, 1}}) == S_OK ? source : nullptr;
}

int EngineTest::PositionOf(const QString& name) {
    DeviceListWindow list;
    engine.EnumDevices(&list);
    return int(list.entries.indexOf(name));
}

}  // namespace capturetest
