// Shared pieces of the capture engine tests: a device list window that takes the engine's
// combo-box messages, graph inspection, and the waiting and message recording of every level.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "media/DShow.h"

namespace capturetest {

// Stands in for the hidden combo box: CB_ADDSTRING appends (UTF-8 text), CB_RESETCONTENT
// empties, CB_GETCOUNT counts.
class DeviceListWindow : public QObject {
public:
    QStringList entries;

protected:
    bool event(QEvent* event) override;
};

using lumitest::MessageRecorder;
using lumitest::WaitFor;

// The graph's filters with their names, in the graph's order.
std::vector<std::pair<std::wstring, IBaseFilter*>> FiltersOf(IFilterGraph* graph);
// Only the names, sorted.
std::vector<std::wstring> SortedNames(IFilterGraph* graph);
// The name of one filter in its graph (empty when it is in none).
std::wstring NameOf(IBaseFilter* filter);

// Virtual cameras named name + " 1", ... in that order; stillPins[i] for the i-th.
void AddCameras(const std::string& name, const std::vector<bool>& stillPins);

}  // namespace capturetest
