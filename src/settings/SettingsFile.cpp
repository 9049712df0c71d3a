#include "settings/SettingsFile.h"

#include "platform/IniFile.h"

namespace {

QString Section() {
    return QString::fromLatin1(kSettingsSection);
}

}  // namespace

QString SettingsFilePathIn(const QString& localAppDataFolder) {
    return WithTrailingSeparator(localAppDataFolder) + QString::fromLatin1(kSettingsFileName);
}

int DefaultLanguageFor(LCID systemLocale) {
    return systemLocale == 2052 ? 1 : 0;
}

int ReadLanguageSetting(const QString& settingsFile, int defaultFlag) {
    return static_cast<int>(GetPrivateProfileInt(Section(), QString::fromLatin1(kLanguageKey),
                                                 defaultFlag, settingsFile));
}

QString ReadSaveFolderSetting(const QString& settingsFile, const QString& desktopFolder) {
    return WithTrailingSeparator(GetPrivateProfileString(
        Section(), QString::fromLatin1(kPathKey), desktopFolder, kMaxPathChars, settingsFile));
}

QString WithTrailingSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(u'/')) return folder;
    return folder + u'/';
}

bool WriteLanguageSetting(const QString& settingsFile, int flag) {
    return WritePrivateProfileString(Section(), QString::fromLatin1(kLanguageKey),
                                     flag != 0 ? QStringLiteral("1") : QStringLiteral("0"),
                                     settingsFile) != FALSE;
}

bool WriteSaveFolderSetting(const QString& settingsFile, const QString& folder) {
    return WritePrivateProfileString(Section(), QString::fromLatin1(kPathKey), folder,
                                     settingsFile) != FALSE;
}
