#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include "platform/NarrowString.h"

namespace {

// Section name of a "[name]" line, or nullopt for other lines.
std::optional<QString> SectionName(const QString& line) {
    const QString t = line.trimmed();
    if (!t.startsWith(u'[')) return std::nullopt;
    const qsizetype end = t.indexOf(u']');
    return (end < 0 ? t.mid(1) : t.mid(1, end - 1)).trimmed();
}

// Key name of a "key=value" line, or nullopt for other lines.
std::optional<QString> KeyName(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0 || line.trimmed().startsWith(u'[')) return std::nullopt;
    return line.left(eq).trimmed();
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QStringList SplitLines(const QString& text) {
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

QString WithoutCarriageReturn(const QString& line) {
    return line.endsWith(u'\r') ? line.left(line.size() - 1) : line;
}

constexpr char kBom[] = "\xEF\xBB\xBF";

unsigned DigitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'z') return u - u'a' + 10;
    if (u >= u'A' && u <= u'Z') return u - u'A' + 10;
    return 99;
}

bool HasLineBreak(const QString& s) {
    return s.contains(u'\n') || s.contains(u'\r');
}

}  // namespace

std::optional<QString> IniFile::FindValue(const QString& text, const QString& section,
                                          const QString& key) {
    bool inSection = false;
    bool sectionSeen = false;
    for (const QString& raw : SplitLines(text)) {
        const QString line = WithoutCarriageReturn(raw);
        if (const auto name = SectionName(line)) {
            if (inSection) return std::nullopt;  // the first section of the name ended
            inSection = !sectionSeen && SameName(*name, section);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection) continue;
        if (const auto name = KeyName(line); name && SameName(*name, key)) {
            return line.mid(line.indexOf(u'=') + 1).trimmed();
        }
    }
    return std::nullopt;
}

QString IniFile::WithValue(const QString& text, const QString& section, const QString& key,
                           const QString& value) {
    QStringList lines = SplitLines(text);
    const bool crlf = !lines.isEmpty() && lines.first().endsWith(u'\r');
    const QString cr = crlf ? QStringLiteral("\r") : QString();
    // A text without a line break at its end stays without one.
    const QString end = text.isEmpty() || text.endsWith(u'\n') ? QStringLiteral("\n") : QString();

    qsizetype sectionLine = -1;
    qsizetype lastContent = -1;  // last non-blank line of the section
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = WithoutCarriageReturn(lines[i]);
        if (const auto name = SectionName(line)) {
            if (sectionLine >= 0) break;
            if (SameName(*name, section)) {
                sectionLine = i;
                lastContent = i;
            }
            continue;
        }
        if (sectionLine < 0) continue;
        if (const auto name = KeyName(line); name && SameName(*name, key)) {
            lines[i] = *name + u'=' + value +
                       (lines[i].endsWith(u'\r') ? QStringLiteral("\r") : QString());
            return lines.join(u'\n') + end;
        }
        if (!line.trimmed().isEmpty()) lastContent = i;
    }

    const QString entry = key + u'=' + value + cr;
    if (sectionLine >= 0) {
        lines.insert(lastContent + 1, entry);
    } else {
        if (!lines.isEmpty() && !WithoutCarriageReturn(lines.last()).trimmed().isEmpty()) {
            lines.append(cr);
        }
        lines.append(u'[' + section + u']' + cr);
        lines.append(entry);
    }
    return lines.join(u'\n') + end;
}

std::optional<QByteArray> IniFile::ReadBytes(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return bytes;
}

std::optional<QString> IniFile::ReadText(const QString& fileName) {
    const auto bytes = ReadBytes(fileName);
    if (!bytes) return std::nullopt;
    return FromNarrow(QByteArrayView(*bytes).sliced(bytes->startsWith(kBom) ? 3 : 0));
}

UINT ParseProfileInt(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    unsigned base = 10;
    if (i + 1 < n && text[i] == u'0') {
        const QChar p = text[i + 1].toLower();
        if (p == u'x') base = 16;
        if (p == u'o') base = 8;
        if (p == u'b') base = 2;
        if (base != 10) i += 2;
    }
    UINT value = 0;
    for (; i < n; ++i) {
        const unsigned digit = DigitValue(text[i]);
        if (digit >= base) break;
        value = value * base + digit;
    }
    return negative ? 0u - value : value;
}

UINT GetPrivateProfileInt(const QString& section, const QString& key, int defaultValue,
                          const QString& fileName) {
    const auto text = IniFile::ReadText(fileName);
    if (!text) return static_cast<UINT>(defaultValue);
    const auto value = IniFile::FindValue(*text, section, key);
    if (!value || value->isEmpty()) return static_cast<UINT>(defaultValue);
    return ParseProfileInt(*value);
}

QString GetPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, DWORD bufferChars,
                                const QString& fileName) {
    if (bufferChars == 0) return {};
    QString result = defaultValue;
    if (const auto text = IniFile::ReadText(fileName)) {
        if (auto value = IniFile::FindValue(*text, section, key)) result = std::move(*value);
    }
    return result.left(static_cast<qsizetype>(bufferChars) - 1);
}

BOOL WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& fileName) {
    if (section.isEmpty() || key.trimmed().isEmpty() || HasLineBreak(section) ||
        HasLineBreak(key) || HasLineBreak(value) || section.contains(u']') || key.contains(u'=')) {
        return FALSE;
    }
    QByteArray bytes;
    if (QFileInfo::exists(fileName)) {
        const auto existing = IniFile::ReadBytes(fileName);
        if (!existing) return FALSE;  // never replace a file we could not read
        bytes = *existing;
    } else if (!QDir().mkpath(QFileInfo(fileName).absolutePath())) {
        return FALSE;
    }
    // The bytes of every other line are kept as they were, a byte-order mark too.
    const QByteArray bom = bytes.startsWith(kBom) ? QByteArray(kBom) : QByteArray();
    const QString text = FromNarrow(QByteArrayView(bytes).sliced(bom.size()));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) return FALSE;
    file.write(bom + ToNarrow(IniFile::WithValue(text, section, key, value)));
    return file.commit() ? TRUE : FALSE;
}
