#include "settings/NumberedFiles.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/FileFind.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

double ParseLeadingDouble(const QString& text) {
    const std::string s = text.toStdString();
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

    const size_t start = i;
    size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j])) ++j;
            i = j;
        }
    }

    // The text is checked to be plain decimal; convert it in the "C" locale (the process
    // locale may use a decimal comma). Overflow gives HUGE_VAL, underflow 0.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    const std::string number = s.substr(start, i - start);
    const double value = strtod_l(number.c_str(), nullptr, cLocale);
    return negative ? -value : value;
}

std::optional<std::int32_t> NumberOfFileName(const QString& fileName) {
    QString text = fileName.mid(fileName.lastIndexOf(u'_') + 1);
    const qsizetype dot = text.lastIndexOf(u'.');
    text = dot < 0 ? QString() : text.left(dot);
    const double value = std::trunc(ParseLeadingDouble(text));
    // The successor must fit as well: it becomes the next file's number.
    constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr double kHighest = std::numeric_limits<std::int32_t>::max() - 1.0;
    if (!(value >= kLowest && value <= kHighest)) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

QString NumberedFileName(const QString& folder, const QString& prefix, std::int32_t number,
                         const QString& extension) {
    return folder + prefix + QLatin1Char('_') + QString::number(number) + QLatin1Char('.') +
           extension;
}

std::int32_t FirstFreeNumber(const QString& folder, const QString& prefix, const QString& extension,
                             std::int32_t from, int maxTaken) {
    std::int32_t number = from;
    for (int i = 0; i < maxTaken && number < INT32_MAX &&
                    FileFind::Exists(NumberedFileName(folder, prefix, number, extension));
         ++i) {
        ++number;
    }
    return number;
}

std::int32_t ScanNextNumber(const QString& folder, const QString& prefix,
                            const QString& extension) {
    const QString pattern = folder + prefix + QStringLiteral("_*.") + extension;
    const bool ownFilesAreHidden = prefix.startsWith(u'.');
    std::int32_t highest = -1;
    FileFind finder;
    bool more = finder.FindFile(pattern);
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots() || finder.IsDirectory() || finder.IsSystem()) continue;
        if (finder.IsHidden() && !ownFilesAreHidden) continue;
        if (const auto number = NumberOfFileName(finder.GetFileName())) {
            highest = std::max(highest, *number);
        }
    }
    return highest + 1;
}
