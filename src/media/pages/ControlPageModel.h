// How a settings page shows a camera's controls: which controls of the device belong on the
// page (image or camera group), in which order, with which widget, which automatic mode
// governs which manual value, and in which order values are written back. Pure rules over
// control descriptions; the page (CameraControlPage) turns the rows into widgets.
#pragma once

#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "media/devices/V4l2DeviceControls.h"

namespace lumi::pages {

using ControlValues = std::map<uint32_t, int32_t>;

enum class WidgetKind { Slider, CheckBox, List, Button };

// An automatic mode shown as an "Auto" check box on the row of its manual partner.
struct AutoSwitch {
    uint32_t id = 0;
    int32_t onValue = 1;   // written when the box is checked
    int32_t offValue = 0;  // written when it is cleared
};

struct ControlRow {
    lumi::devices::ControlInfo control;
    WidgetKind kind = WidgetKind::Slider;
    QString label;
    std::optional<AutoSwitch> autoSwitch;
    // The automatic mode that decides whether this value can be set by hand (0: none). It
    // may be this row's auto switch, a row of its own, or a control of another page.
    uint32_t autoId = 0;
};

// The positions of a slider over [minimum, maximum] in steps of the control (a huge range
// is walked in coarser multiples of the step, at most kMaxPositions + 1 positions).
struct SliderScale {
    int32_t minimum = 0;
    int32_t maximum = 0;
    int64_t step = 1;
    int positions = 0;  // the last position; the slider runs 0..positions

    static constexpr int kMaxPositions = 100000;
    static SliderScale of(const lumi::devices::ControlInfo& control);
    int positionOf(int32_t value) const;
    int32_t valueAt(int position) const;
    // The value on the step grid nearest to value, within the range.
    int32_t snap(int32_t value) const;
};

class ControlPageModel {
public:
    ControlPageModel() = default;
    // The rows for the controls of group among all the device's controls (with their current
    // values). Controls of another type than integer, boolean, menu or button, menus without
    // entries and integers with an empty range are left out.
    ControlPageModel(const std::vector<lumi::devices::ControlInfo>& controls,
                     lumi::devices::ControlGroup group);

    const std::vector<ControlRow>& rows() const { return rows_; }
    bool empty() const { return rows_.empty(); }
    // The row of a control shown on this page (a folded auto switch has no row of its own).
    const ControlRow* rowOf(uint32_t id) const;
    // The description of an automatic mode some row depends on (it may be on another page).
    const lumi::devices::ControlInfo* autoControl(uint32_t id) const;
    // Every control whose value the page reads and writes: the rows' controls (buttons and
    // read-only ones excepted) and their auto switches.
    std::vector<uint32_t> trackedIds() const;

    // Whether the automatic mode is on at value (a boolean mode at a non-zero value; the
    // exposure mode at auto or aperture priority).
    static bool autoOn(uint32_t autoId, int32_t value);
    // Whether the row's value can be set by hand, given the values of the automatic modes.
    bool manualEnabled(const ControlRow& row, const ControlValues& values) const;

    // The device's defaults of the tracked controls.
    ControlValues defaults() const;
    // The writes that bring the tracked controls to target: automatic modes first (switching
    // a mode off makes its manual value writable), then the other values, leaving out those
    // the automatic modes of target own and those missing from target.
    std::vector<std::pair<uint32_t, int32_t>> writePlan(const ControlValues& target) const;

private:
    std::vector<ControlRow> rows_;
    std::map<uint32_t, lumi::devices::ControlInfo> autos_;
    std::vector<uint32_t> autoOrder_;  // the automatic modes written by this page
};

}  // namespace lumi::pages
