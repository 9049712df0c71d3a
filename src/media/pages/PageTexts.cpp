#include "media/pages/PageTexts.h"

#include <QLocale>
#include <array>

#include "media/devices/V4l2DeviceControls.h"

namespace lumi::pages {

namespace {

struct Label {
    uint32_t id;
    const char* english;
    const char* russian;
};

namespace cid = lumi::devices::cid;

constexpr uint32_t kRedBalance = cid::kUserClassBase + 14;
constexpr uint32_t kBlueBalance = cid::kUserClassBase + 15;
constexpr uint32_t kFocusRelative = cid::kCameraClassBase + 11;
constexpr uint32_t kZoomRelative = cid::kCameraClassBase + 14;
constexpr uint32_t kRollAbsolute = cid::kCameraClassBase + 21;

constexpr std::array kLabels = {
    Label{cid::kBrightness, "Brightness", "Яркость"},
    Label{cid::kContrast, "Contrast", "Контрастность"},
    Label{cid::kSaturation, "Saturation", "Насыщенность"},
    Label{cid::kHue, "Hue", "Оттенок"},
    Label{cid::kSharpness, "Sharpness", "Резкость"},
    Label{cid::kGamma, "Gamma", "Гамма"},
    Label{cid::kWhiteBalanceTemperature, "White Balance", "Баланс белого"},
    Label{cid::kAutoWhiteBalance, "White Balance, Auto", "Баланс белого, авто"},
    Label{kRedBalance, "Red Balance", "Баланс красного"},
    Label{kBlueBalance, "Blue Balance", "Баланс синего"},
    Label{cid::kBacklightCompensation, "Backlight Comp", "Компенсация подсветки"},
    Label{cid::kGain, "Gain", "Усиление"},
    Label{cid::kPowerLineFrequency, "PowerLine Frequency", "Частота сети"},
    Label{cid::kExposure, "Exposure", "Экспозиция"},
    Label{cid::kExposureAbsolute, "Exposure", "Экспозиция"},
    Label{cid::kExposureAuto, "Exposure, Auto", "Экспозиция, авто"},
    Label{cid::kExposureAutoPriority, "Low Light Compensation", "Компенсация слабого света"},
    Label{cid::kFocusAbsolute, "Focus", "Фокус"},
    Label{kFocusRelative, "Focus, Relative", "Фокус, шаг"},
    Label{cid::kFocusAuto, "Focus, Auto", "Фокус, авто"},
    Label{cid::kZoomAbsolute, "Zoom", "Масштаб"},
    Label{kZoomRelative, "Zoom, Relative", "Масштаб, шаг"},
    Label{cid::kIrisAbsolute, "Iris", "Диафрагма"},
    Label{cid::kPanAbsolute, "Pan", "Панорама"},
    Label{cid::kTiltAbsolute, "Tilt", "Наклон"},
    Label{kRollAbsolute, "Roll", "Поворот"},
};

}  // namespace

bool RussianTexts() {
    return QLocale::system().language() == QLocale::Russian;
}

QString PageText(const char* english, const char* russian) {
    return QString::fromUtf8(RussianTexts() ? russian : english);
}

QString ControlLabel(uint32_t id, const std::string& deviceName) {
    for (const Label& label : kLabels) {
        if (label.id == id) return PageText(label.english, label.russian);
    }
    return QString::fromStdString(deviceName);
}

}  // namespace lumi::pages
