// The shell's special folders, by their platform numbers.
// Local application data = the per-user configuration folder (~/.config or
// $XDG_CONFIG_HOME); desktop = the user's desktop folder, or the home folder when no
// desktop folder exists. Paths come without a trailing separator; nothing is created.
#pragma once

#include <QString>

inline constexpr int CSIDL_DESKTOPDIRECTORY = 16;
inline constexpr int CSIDL_LOCAL_APPDATA = 28;

// Empty for a folder number this layer does not know.
QString GetSpecialFolderPath(int csidl);
