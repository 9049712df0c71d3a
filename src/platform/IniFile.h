// Private-profile (INI) files with the platform's rules.
// Reading: section and key names match case-insensitively, the first section and the first
// key of a name win, names and values are trimmed, a missing file, section or key gives the
// default. Writing replaces only the line of its key (or adds the key, or the section with
// it) and keeps every other line byte for byte (bytes that are not UTF-8 included); the new
// file reaches the disk atomically (temporary file + rename), so a failed write leaves the
// old file intact. Values are narrow strings (platform/NarrowString.h).
#pragma once

#include <QString>
#include <optional>

#include "platform/WinTypes.h"

// The file's whole text split into lines, with the lookups and the one-key update.
class IniFile {
public:
    // The value of section/key in the text, trimmed; nullopt when there is none.
    static std::optional<QString> FindValue(const QString& text, const QString& section,
                                            const QString& key);

    // The text with section/key set to value; other lines are kept unchanged, and so is
    // the text's end (a line break or none).
    static QString WithValue(const QString& text, const QString& section, const QString& key,
                             const QString& value);

    // The file's bytes; nullopt when it is missing or cannot be read.
    static std::optional<QByteArray> ReadBytes(const QString& fileName);
    // The file's text without a byte-order mark, as a narrow string (bytes that are not
    // UTF-8 kept); nullopt when it is missing or cannot be read.
    static std::optional<QString> ReadText(const QString& fileName);
};

// The platform's integer rule: leading blanks skipped, optional sign, "0x"/"0o"/"0b" prefix,
// digits up to the first other character (0 when there are none); wraps like an unsigned.
UINT ParseProfileInt(const QString& text);

// The integer value of section/key, or defaultValue when the key is missing or its value
// is empty.
UINT GetPrivateProfileInt(const QString& section, const QString& key, int defaultValue,
                          const QString& fileName);

// The string value of section/key, or defaultValue when it is missing, cut to
// bufferChars - 1 characters (the platform's buffer rule); bufferChars 0 returns "".
QString GetPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, DWORD bufferChars,
                                const QString& fileName);

// Sets section/key to value, creating the file (and its folder) and the section when
// missing. FALSE when the file cannot be read or written, or when a name or the value holds
// a line break (or the name holds '=' or ']'), which the format cannot carry; the file is
// then unchanged.
BOOL WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& fileName);
