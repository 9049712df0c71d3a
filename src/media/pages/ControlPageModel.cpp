#include "media/pages/ControlPageModel.h"

#include <algorithm>
#include <array>

#include "media/pages/PageTexts.h"

namespace lumi::pages {

using lumi::devices::ControlGroup;
using lumi::devices::ControlInfo;
using lumi::devices::ControlType;
namespace cid = lumi::devices::cid;

namespace {

constexpr uint32_t kRedBalance = cid::kUserClassBase + 14;
constexpr uint32_t kBlueBalance = cid::kUserClassBase + 15;
constexpr uint32_t kAutogain = cid::kUserClassBase + 18;
constexpr uint32_t kHueAuto = cid::kUserClassBase + 25;
constexpr uint32_t kFocusRelative = cid::kCameraClassBase + 11;
constexpr uint32_t kZoomRelative = cid::kCameraClassBase + 14;
constexpr uint32_t kRollAbsolute = cid::kCameraClassBase + 21;

// The exposure modes of V4L2 (a menu): auto, manual, shutter priority, aperture priority.
constexpr int32_t kExposureModeAuto = 0;
constexpr int32_t kExposureModeManual = 1;
constexpr int32_t kExposureModeAperturePriority = 3;

// Automatic modes and the manual values they own, the first being the one whose row shows
// the mode as its "Auto" check box.
struct AutoPair {
    uint32_t autoId;
    std::array<uint32_t, 3> manualIds;
};
constexpr std::array kAutoPairs = {
    AutoPair{cid::kAutoWhiteBalance, {cid::kWhiteBalanceTemperature, kRedBalance, kBlueBalance}},
    AutoPair{kAutogain, {cid::kGain, 0, 0}},
    AutoPair{kHueAuto, {cid::kHue, 0, 0}},
    AutoPair{cid::kExposureAuto, {cid::kExposureAbsolute, cid::kExposure, 0}},
    AutoPair{cid::kFocusAuto, {cid::kFocusAbsolute, kFocusRelative, 0}},
};

// The order of the known controls on their pages; others follow in the device's order.
constexpr std::array kOrder = {
    cid::kBrightness,
    cid::kContrast,
    cid::kHue,
    kHueAuto,
    cid::kSaturation,
    cid::kSharpness,
    cid::kGamma,
    cid::kWhiteBalanceTemperature,
    cid::kAutoWhiteBalance,
    kRedBalance,
    kBlueBalance,
    cid::kBacklightCompensation,
    cid::kGain,
    kAutogain,
    cid::kPowerLineFrequency,
    cid::kZoomAbsolute,
    kZoomRelative,
    cid::kFocusAbsolute,
    kFocusRelative,
    cid::kFocusAuto,
    cid::kExposureAbsolute,
    cid::kExposure,
    cid::kExposureAuto,
    cid::kIrisAbsolute,
    cid::kPanAbsolute,
    cid::kTiltAbsolute,
    kRollAbsolute,
    cid::kExposureAutoPriority,
};

const AutoPair* PairOfAuto(uint32_t id) {
    for (const AutoPair& pair : kAutoPairs) {
        if (pair.autoId == id) return &pair;
    }
    return nullptr;
}

uint32_t AutoOfManual(uint32_t id) {
    for (const AutoPair& pair : kAutoPairs) {
        for (uint32_t manual : pair.manualIds) {
            if (manual != 0 && manual == id) return pair.autoId;
        }
    }
    return 0;
}

bool HasMenuValue(const ControlInfo& c, int32_t value) {
    return std::any_of(c.menu.begin(), c.menu.end(),
                       [value](const auto& item) { return item.value == value; });
}

// The values of the "Auto" check box for an automatic mode, when it can be shown as one.
std::optional<AutoSwitch> SwitchFor(const ControlInfo& c) {
    if (c.readOnly) return std::nullopt;
    const bool binary = c.type == ControlType::Boolean ||
                        (c.type == ControlType::Integer && c.minimum == 0 && c.maximum == 1);
    if (binary) return AutoSwitch{c.id, 1, 0};
    if (c.type == ControlType::Menu && c.id == cid::kExposureAuto &&
        HasMenuValue(c, kExposureModeManual)) {
        if (HasMenuValue(c, kExposureModeAperturePriority))
            return AutoSwitch{c.id, kExposureModeAperturePriority, kExposureModeManual};
        if (HasMenuValue(c, kExposureModeAuto))
            return AutoSwitch{c.id, kExposureModeAuto, kExposureModeManual};
    }
    return std::nullopt;
}

std::optional<WidgetKind> KindOf(const ControlInfo& c) {
    switch (c.type) {
        case ControlType::Integer:
            if (c.maximum < c.minimum) return std::nullopt;
            return WidgetKind::Slider;
        case ControlType::Boolean:
            return WidgetKind::CheckBox;
        case ControlType::Menu:
            if (c.menu.empty()) return std::nullopt;
            return WidgetKind::List;
        case ControlType::Button:
            return WidgetKind::Button;
        case ControlType::Other:
            break;
    }
    return std::nullopt;
}

std::size_t RankOf(uint32_t id, std::size_t deviceIndex) {
    const auto* it = std::find(kOrder.begin(), kOrder.end(), id);
    return it != kOrder.end() ? std::size_t(it - kOrder.begin()) : kOrder.size() + deviceIndex;
}

}  // namespace

SliderScale SliderScale::of(const ControlInfo& control) {
    SliderScale s;
    s.minimum = control.minimum;
    s.maximum = std::max(control.minimum, control.maximum);
    const int64_t range = int64_t(s.maximum) - s.minimum;
    int64_t step = std::max<int64_t>(1, control.step);
    if (range / step > kMaxPositions) step *= (range / step + kMaxPositions - 1) / kMaxPositions;
    s.step = step;
    s.positions = int(range / step);
    return s;
}

int SliderScale::positionOf(int32_t value) const {
    const int64_t clamped = std::clamp<int64_t>(value, minimum, maximum);
    const int64_t position = (clamped - minimum + step / 2) / step;
    return int(std::min<int64_t>(position, positions));
}

int32_t SliderScale::valueAt(int position) const {
    const int64_t p = std::clamp(position, 0, positions);
    return int32_t(std::min<int64_t>(minimum + p * step, maximum));
}

int32_t SliderScale::snap(int32_t value) const {
    return valueAt(positionOf(value));
}

ControlPageModel::ControlPageModel(const std::vector<ControlInfo>& controls, ControlGroup group) {
    std::vector<std::pair<std::size_t, ControlRow>> ranked;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlInfo& c = controls[i];
        if (PairOfAuto(c.id)) autos_[c.id] = c;
        if (c.group != group) continue;
        const std::optional<WidgetKind> kind = KindOf(c);
        if (!kind) continue;
        ControlRow row;
        row.control = c;
        row.kind = *kind;
        row.label = ControlLabel(c.id, c.name);
        ranked.emplace_back(RankOf(c.id, i), std::move(row));
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    // Each automatic mode of this page goes onto its first manual partner's row as an "Auto"
    // check box; one that cannot keeps a row of its own.
    std::vector<uint32_t> folded;
    for (auto& [rank, row] : ranked) {
        const uint32_t autoId = AutoOfManual(row.control.id);
        auto found = autos_.find(autoId);
        if (autoId == 0 || found == autos_.end()) continue;
        row.autoId = autoId;
        const ControlInfo& mode = found->second;
        const bool samePage = mode.group == group && KindOf(mode).has_value();
        if (!samePage || std::find(folded.begin(), folded.end(), autoId) != folded.end()) continue;
        if (std::optional<AutoSwitch> box = SwitchFor(mode)) {
            row.autoSwitch = box;
            folded.push_back(autoId);
        }
    }
    for (auto& [rank, row] : ranked) {
        const uint32_t id = row.control.id;
        const bool isAuto = autos_.count(id) != 0;
        if (isAuto) autoOrder_.push_back(id);
        if (isAuto && std::find(folded.begin(), folded.end(), id) != folded.end()) continue;
        rows_.push_back(std::move(row));
    }
}

const ControlRow* ControlPageModel::rowOf(uint32_t id) const {
    for (const ControlRow& row : rows_) {
        if (row.control.id == id) return &row;
    }
    return nullptr;
}

const ControlInfo* ControlPageModel::autoControl(uint32_t id) const {
    auto found = autos_.find(id);
    return found != autos_.end() ? &found->second : nullptr;
}

std::vector<uint32_t> ControlPageModel::trackedIds() const {
    std::vector<uint32_t> ids;
    for (const ControlRow& row : rows_) {
        if (row.autoSwitch) ids.push_back(row.autoSwitch->id);
        if (row.kind != WidgetKind::Button && !row.control.readOnly) ids.push_back(row.control.id);
    }
    return ids;
}

bool ControlPageModel::autoOn(uint32_t autoId, int32_t value) {
    if (autoId == cid::kExposureAuto)
        return value == kExposureModeAuto || value == kExposureModeAperturePriority;
    return value != 0;
}

bool ControlPageModel::manualEnabled(const ControlRow& row, const ControlValues& values) const {
    if (row.control.readOnly) return false;
    if (row.autoId == 0) return true;
    auto value = values.find(row.autoId);
    if (value != values.end()) return !autoOn(row.autoId, value->second);
    const ControlInfo* mode = autoControl(row.autoId);
    return !mode || !autoOn(row.autoId, mode->current);
}

ControlValues ControlPageModel::defaults() const {
    ControlValues values;
    for (uint32_t id : trackedIds()) {
        if (const ControlRow* row = rowOf(id))
            values[id] = row->control.defaultValue;
        else if (const ControlInfo* mode = autoControl(id))
            values[id] = mode->defaultValue;
    }
    return values;
}

std::vector<std::pair<uint32_t, int32_t>> ControlPageModel::writePlan(
    const ControlValues& target) const {
    std::vector<std::pair<uint32_t, int32_t>> plan;
    const std::vector<uint32_t> tracked = trackedIds();
    auto isTracked = [&](uint32_t id) {
        return std::find(tracked.begin(), tracked.end(), id) != tracked.end();
    };
    for (uint32_t id : autoOrder_) {
        auto value = target.find(id);
        if (value != target.end() && isTracked(id)) plan.emplace_back(id, value->second);
    }
    for (const ControlRow& row : rows_) {
        const uint32_t id = row.control.id;
        if (autos_.count(id) || !isTracked(id)) continue;
        auto value = target.find(id);
        if (value == target.end() || !manualEnabled(row, target)) continue;
        plan.emplace_back(id, value->second);
    }
    return plan;
}

}  // namespace lumi::pages
