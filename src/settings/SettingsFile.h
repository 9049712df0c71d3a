// The settings file: <local application data>/lumivisor.ini, section "lumivisor",
// keys "lan" (integer: 0 English, anything else Russian) and "path" (the save folder).
#pragma once

#include <QString>

#include "platform/LocaleId.h"

inline constexpr const char* kSettingsSection = "lumivisor";
inline constexpr const char* kLanguageKey = "lan";
inline constexpr const char* kPathKey = "path";
inline constexpr const char* kSettingsFileName = "lumivisor.ini";

// The longest save folder read from "path": the platform's path limit (PATH_MAX, with its
// terminating zero), so that a long folder is read whole rather than cut.
inline constexpr int kMaxPathChars = 4096;

// <folder>/lumivisor.ini.
QString SettingsFilePathIn(const QString& localAppDataFolder);

// The language when "lan" is missing: 1 (Russian) for the locale 2052, else 0.
int DefaultLanguageFor(LCID systemLocale);

// "lan" with the platform's integer rule; defaultFlag when missing or empty.
int ReadLanguageSetting(const QString& settingsFile, int defaultFlag);

// "path" (desktopFolder when missing) with the separator appended once; an empty value
// stays empty.
QString ReadSaveFolderSetting(const QString& settingsFile, const QString& desktopFolder);

// The folder with one '/' appended unless it is empty or already ends in one.
QString WithTrailingSeparator(const QString& folder);

// Write "lan" = "1" (flag non-zero) or "0", and "path" = folder. False when the write
// failed (the file is then unchanged).
bool WriteLanguageSetting(const QString& settingsFile, int flag);
bool WriteSaveFolderSetting(const QString& settingsFile, const QString& folder);
