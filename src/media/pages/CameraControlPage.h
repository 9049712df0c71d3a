// The capture source's settings pages: the image controls page (brightness, contrast, hue,
// saturation, sharpness, gamma, white balance, backlight compensation, gain, power-line
// frequency, ...) and the camera controls page (zoom, focus, exposure, iris, pan, tilt, ...),
// over the filter's ICameraControls. Every change is written to the device at once, so a
// live picture shows it; Apply keeps the values, Cancel (deactivation without Apply) writes
// back those found when the page was bound or last applied. "Default" writes the device's
// defaults.
//
// Widgets carry object names for tests and tools: "slider:<id>", "value:<id>" (spin box),
// "check:<id>", "list:<id>", "button:<id>", "auto:<id of the automatic mode>", "default";
// ids in decimal.
#pragma once

#include <vector>

#include "media/pages/ControlPageModel.h"
#include "media/pages/PropertyPageBase.h"
#include "media/source/CameraSettings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

namespace lumi::pages {

class CameraControlPage final : public PropertyPageBase {
public:
    explicit CameraControlPage(lumi::devices::ControlGroup group) : group_(group) {}

    const ControlPageModel& model() const { return model_; }
    // The values last read from the device.
    const ControlValues& values() const { return values_; }
    // The values Cancel returns to.
    const ControlValues& baseline() const { return baseline_; }
    // What the "Default" button does.
    void restoreDefaults();

protected:
    HRESULT bind(ULONG count, IUnknown** objects) override;
    void unbind() override;
    void buildControls(QWidget* page) override;
    HRESULT applyChanges() override;
    void discardChanges() override;
    QString title() const override;

private:
    struct RowWidgets {
        QLabel* label = nullptr;
        QSlider* slider = nullptr;
        QSpinBox* spin = nullptr;
        QCheckBox* check = nullptr;
        QComboBox* list = nullptr;
        QPushButton* button = nullptr;
        QCheckBox* autoBox = nullptr;
    };

    // Writes a value the user chose, marks the page dirty and shows what the device holds.
    void userSets(uint32_t id, int32_t value);
    // Writes the plan's values in order (refused ones are skipped).
    void write(const std::vector<std::pair<uint32_t, int32_t>>& plan);
    // Reads every value the page shows or depends on.
    ControlValues readValues() const;
    // Reads the values and brings the widgets up to date.
    void refresh();
    // The target with the current values of the automatic modes owned by other pages.
    ControlValues withForeignModes(ControlValues target) const;

    lumi::devices::ControlGroup group_;
    ComPtr<ICameraControls> controls_;
    ControlPageModel model_;
    ControlValues baseline_;
    ControlValues values_;
    std::vector<RowWidgets> widgets_;
};

}  // namespace lumi::pages
