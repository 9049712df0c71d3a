#include "media/pages/CameraControlPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "media/pages/PageTexts.h"

namespace lumi::pages {

using lumi::devices::ControlGroup;
using lumi::devices::ControlInfo;

namespace {

QString Name(const char* kind, uint32_t id) {
    return QStringLiteral("%1:%2").arg(QLatin1String(kind)).arg(id);
}

}  // namespace

HRESULT CameraControlPage::bind(ULONG count, IUnknown** objects) {
    for (ULONG i = 0; i < count && !controls_; ++i) {
        if (objects[i]) objects[i]->QueryInterface(IID_ICameraControls, controls_.putVoid());
    }
    if (!controls_) return E_NOINTERFACE;
    std::vector<ControlInfo> list;
    const HRESULT hr = controls_->GetControls(&list);
    if (FAILED(hr)) {
        controls_.reset();
        return hr;
    }
    model_ = ControlPageModel(list, group_);
    values_ = readValues();
    baseline_.clear();
    for (uint32_t id : model_.trackedIds()) {
        auto found = values_.find(id);
        if (found != values_.end()) baseline_[id] = found->second;
    }
    return S_OK;
}

void CameraControlPage::unbind() {
    widgets_.clear();
    controls_.reset();
    model_ = ControlPageModel();
    baseline_.clear();
    values_.clear();
}

QString CameraControlPage::title() const {
    return group_ == ControlGroup::Camera ? PageText("Camera Control", "Управление камерой")
                                          : PageText("Video Proc Amp", "Настройка изображения");
}

void CameraControlPage::buildControls(QWidget* page) {
    widgets_.assign(model_.rows().size(), RowWidgets{});
    auto* outer = new QVBoxLayout(page);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, 200);
    outer->addLayout(grid);
    if (model_.empty()) {
        grid->addWidget(new QLabel(PageText("The device offers no settings of this kind.",
                                            "Устройство не предлагает таких настроек."),
                                   page),
                        0, 0);
    }
    for (std::size_t i = 0; i < model_.rows().size(); ++i) {
        const ControlRow& row = model_.rows()[i];
        const ControlInfo& c = row.control;
        const int r = int(i);
        const uint32_t id = c.id;
        RowWidgets& w = widgets_[i];
        switch (row.kind) {
            case WidgetKind::Slider: {
                const SliderScale scale = SliderScale::of(c);
                w.label = new QLabel(row.label, page);
                w.slider = new QSlider(Qt::Horizontal, page);
                w.slider->setObjectName(Name("slider", id));
                w.slider->setRange(0, scale.positions);
                w.slider->setPageStep(std::max(1, scale.positions / 10));
                w.spin = new QSpinBox(page);
                w.spin->setObjectName(Name("value", id));
                w.spin->setRange(scale.minimum, scale.maximum);
                w.spin->setSingleStep(int(std::min<int64_t>(scale.step, 0x7FFFFFFF)));
                w.spin->setKeyboardTracking(false);
                w.label->setBuddy(w.slider);
                grid->addWidget(w.label, r, 0);
                grid->addWidget(w.slider, r, 1);
                grid->addWidget(w.spin, r, 2);
                QObject::connect(w.slider, &QSlider::valueChanged, page,
                                 [this, id, scale](int p) { userSets(id, scale.valueAt(p)); });
                QObject::connect(w.spin, &QSpinBox::valueChanged, page,
                                 [this, id, scale](int v) { userSets(id, scale.snap(v)); });
                break;
            }
            case WidgetKind::CheckBox:
                w.check = new QCheckBox(row.label, page);
                w.check->setObjectName(Name("check", id));
                grid->addWidget(w.check, r, 0, 1, 3);
                QObject::connect(w.check, &QCheckBox::toggled, page,
                                 [this, id](bool on) { userSets(id, on ? 1 : 0); });
                break;
            case WidgetKind::List: {
                w.label = new QLabel(row.label, page);
                w.list = new QComboBox(page);
                w.list->setObjectName(Name("list", id));
                for (const auto& item : c.menu)
                    w.list->addItem(QString::fromStdString(item.name), item.value);
                w.label->setBuddy(w.list);
                grid->addWidget(w.label, r, 0);
                grid->addWidget(w.list, r, 1, 1, 2);
                QComboBox* list = w.list;
                QObject::connect(list, &QComboBox::activated, page, [this, id, list](int index) {
                    if (index >= 0) userSets(id, list->itemData(index).toInt());
                });
                break;
            }
            case WidgetKind::Button: {
                w.button = new QPushButton(row.label, page);
                w.button->setObjectName(Name("button", id));
                grid->addWidget(w.button, r, 1);
                const int32_t value = c.minimum;
                QObject::connect(w.button, &QPushButton::clicked, page, [this, id, value] {
                    // An action, not a setting: nothing to apply or take back.
                    controls_->SetValue(id, value);
                    refresh();
                });
                break;
            }
        }
        if (row.autoSwitch) {
            const AutoSwitch s = *row.autoSwitch;
            w.autoBox = new QCheckBox(PageText("Auto", "Авто"), page);
            w.autoBox->setObjectName(Name("auto", s.id));
            grid->addWidget(w.autoBox, r, 3);
            QObject::connect(w.autoBox, &QCheckBox::toggled, page,
                             [this, s](bool on) { userSets(s.id, on ? s.onValue : s.offValue); });
        }
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* defaults = new QPushButton(PageText("Default", "По умолчанию"), page);
    defaults->setObjectName(QStringLiteral("default"));
    defaults->setEnabled(!model_.trackedIds().empty());
    QObject::connect(defaults, &QPushButton::clicked, page, [this] { restoreDefaults(); });
    buttons->addWidget(defaults);
    outer->addStretch(1);
    outer->addLayout(buttons);
    refresh();
}

void CameraControlPage::userSets(uint32_t id, int32_t value) {
    if (!controls_) return;
    if (SUCCEEDED(controls_->SetValue(id, value))) setDirty(true);
    refresh();
}

void CameraControlPage::restoreDefaults() {
    if (!controls_) return;
    write(model_.writePlan(withForeignModes(model_.defaults())));
    setDirty(true);
    refresh();
}

HRESULT CameraControlPage::applyChanges() {
    // The values are on the device already; they become the ones Cancel returns to.
    values_ = readValues();
    for (auto& [id, value] : baseline_) {
        auto found = values_.find(id);
        if (found != values_.end()) value = found->second;
    }
    return S_OK;
}

void CameraControlPage::discardChanges() {
    if (!controls_) return;
    write(model_.writePlan(withForeignModes(baseline_)));
    refresh();
}

void CameraControlPage::write(const std::vector<std::pair<uint32_t, int32_t>>& plan) {
    for (const auto& [id, value] : plan) controls_->SetValue(id, value);
}

ControlValues CameraControlPage::readValues() const {
    ControlValues values;
    if (!controls_) return values;
    auto read = [&](uint32_t id) {
        LONG value = 0;
        if (controls_->GetValue(id, &value) == S_OK) values[id] = value;
    };
    for (const ControlRow& row : model_.rows()) {
        if (row.kind != WidgetKind::Button) read(row.control.id);
        if (row.autoSwitch) read(row.autoSwitch->id);
        if (row.autoId != 0 && !values.count(row.autoId)) read(row.autoId);
    }
    return values;
}

ControlValues CameraControlPage::withForeignModes(ControlValues target) const {
    for (const ControlRow& row : model_.rows()) {
        if (row.autoId == 0 || target.count(row.autoId)) continue;
        auto current = values_.find(row.autoId);
        if (current != values_.end()) target[row.autoId] = current->second;
    }
    return target;
}

void CameraControlPage::refresh() {
    values_ = readValues();
    if (!widget()) return;
    for (std::size_t i = 0; i < widgets_.size() && i < model_.rows().size(); ++i) {
        const ControlRow& row = model_.rows()[i];
        RowWidgets& w = widgets_[i];
        const auto found = values_.find(row.control.id);
        const bool known = found != values_.end();
        const int32_t value = known ? found->second : row.control.current;
        const bool enabled = model_.manualEnabled(row, values_);
        if (w.slider) {
            const SliderScale scale = SliderScale::of(row.control);
            QSignalBlocker a(w.slider), b(w.spin);
            w.slider->setValue(scale.positionOf(value));
            w.spin->setValue(value);
            w.slider->setEnabled(enabled);
            w.spin->setEnabled(enabled);
        }
        if (w.check) {
            QSignalBlocker block(w.check);
            w.check->setChecked(value != 0);
            w.check->setEnabled(enabled);
        }
        if (w.list) {
            QSignalBlocker block(w.list);
            w.list->setCurrentIndex(w.list->findData(value));
            w.list->setEnabled(enabled);
        }
        if (w.button) w.button->setEnabled(enabled);
        if (w.label) w.label->setEnabled(enabled);
        if (w.autoBox) {
            const uint32_t autoId = row.autoSwitch->id;
            const auto mode = values_.find(autoId);
            QSignalBlocker block(w.autoBox);
            w.autoBox->setChecked(mode != values_.end() &&
                                  ControlPageModel::autoOn(autoId, mode->second));
            w.autoBox->setEnabled(mode != values_.end());
        }
    }
}

}  // namespace lumi::pages
