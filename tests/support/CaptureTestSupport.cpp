#include "CaptureTestSupport.h"

#include <algorithm>

#include "media/VirtualCameraProvider.h"
#include "platform/WindowMessage.h"

namespace capturetest {

bool DeviceListWindow::event(QEvent* event) {
    if (event->type() != WindowMessageEvent::eventType()) return QObject::event(event);
    auto* message = static_cast<WindowMessageEvent*>(event);
    switch (message->message()) {
        case CB_ADDSTRING:
            entries << QString::fromUtf8(reinterpret_cast<const char*>(message->lParam()));
            message->result = entries.size() - 1;
            break;
        case CB_RESETCONTENT:
            entries.clear();
            break;
        case CB_GETCOUNT:
            message->result = entries.size();
            break;
        default:
            break;
    }
    return true;
}

std::vector<std::pair<std::wstring, IBaseFilter*>> FiltersOf(IFilterGraph* graph) {
    std::vector<std::pair<std::wstring, IBaseFilter*>> result;
    if (graph == nullptr) return result;
    IEnumFilters* list = nullptr;
    if (FAILED(graph->EnumFilters(&list)) || list == nullptr) return result;
    IBaseFilter* filter = nullptr;
    while (list->Next(1, &filter, nullptr) == S_OK) {
        result.emplace_back(NameOf(filter), filter);
        filter->Release();  // the graph keeps its own reference
    }
    list->Release();
    return result;
}

std::vector<std::wstring> SortedNames(IFilterGraph* graph) {
    std::vector<std::wstring> names;
    for (const auto& [name, filter] : FiltersOf(graph)) names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring NameOf(IBaseFilter* filter) {
    if (filter == nullptr) return {};
    FILTER_INFO info{};
    if (FAILED(filter->QueryFilterInfo(&info))) return {};
    if (info.pGraph != nullptr) info.pGraph->Release();
    return info.pGraph != nullptr ? std::wstring(info.achName) : std::wstring();
}

void AddCameras(const std::string& name, const std::vector<bool>& stillPins) {
    for (std::size_t i = 0; i < stillPins.size(); ++i) {
        lumi::devices::VirtualCamera::Options options;
        options.stillPin = stillPins[i];
        lumi::devices::VirtualCameraProvider::addCamera(name + " " + std::to_string(i + 1),
                                                        options);
    }
}

}  // namespace capturetest
