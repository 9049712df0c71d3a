// The system's default locale as the platform's locale identifier (LCID).
#pragma once

#include <QString>

#include "platform/WinTypes.h"

using LCID = DWORD;

// The identifier of a locale name such as "zh_CN", "ru_RU.UTF-8" or "en-GB"; a known
// language with an unknown country gives that language's main identifier; anything else
// (the "C" locale included) gives 1033, English (United States).
LCID LcidFromLocaleName(const QString& name);

// The identifier of the system locale (QLocale::system()).
LCID GetSystemDefaultLCID();
