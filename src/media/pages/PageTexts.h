// Texts of the property frame and the capture source's pages. They belong to the "driver"
// and the system, not to the program's string table: English, or Russian where the system
// language is Russian.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

namespace lumi::pages {

// True when the system language is Russian.
bool RussianTexts();
// The English or the Russian text (UTF-8 literals).
QString PageText(const char* english, const char* russian);

// The label of a control on its page: the page's own name for the controls it knows
// (brightness, white balance, exposure, ...), else the name the device reports.
QString ControlLabel(uint32_t id, const std::string& deviceName);

}  // namespace lumi::pages
