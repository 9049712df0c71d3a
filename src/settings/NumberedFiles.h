// The numbered picture and video files: their names, the scan of a folder for the next number,
// and the next number whose name is free.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// Searches folder + prefix + "_*." + extension (case-insensitively), skipping folders and
// hidden entries, reads the number of each name (the text after its last underscore and
// before its last full stop, read like atof and truncated toward zero), and returns one more
// than the highest number, or 0 when there is none or every number is negative. A number
// whose value or successor does not fit a 32-bit signed integer is ignored. When the prefix
// itself starts with ".", the program's own files are dot-files, so they are counted.
std::int32_t ScanNextNumber(const QString& folder, const QString& prefix, const QString& extension);

// folder + prefix + "_" + number + "." + extension ("%s%s_%d.jpg"): no separator is added
// between folder and prefix.
QString NumberedFileName(const QString& folder, const QString& prefix, std::int32_t number,
                         const QString& extension);
inline QString PictureFileName(const QString& folder, const QString& prefix, std::int32_t number) {
    return NumberedFileName(folder, prefix, number, QStringLiteral("jpg"));
}
inline QString VideoFileName(const QString& folder, const QString& prefix, std::int32_t number) {
    return NumberedFileName(folder, prefix, number, QStringLiteral("avi"));
}

// The first number from `from` on whose name is not taken, after at most maxTaken taken names
// (the last one tried then) and never beyond INT32_MAX.
std::int32_t FirstFreeNumber(const QString& folder, const QString& prefix, const QString& extension,
                             std::int32_t from, int maxTaken);

// The number a file name carries under the rule above; nullopt when it is to be ignored.
std::optional<std::int32_t> NumberOfFileName(const QString& fileName);

// atof's rule in the "C" locale: leading blanks, optional sign, digits with an optional
// fraction and exponent; reading stops at the first other character; 0 when nothing can be
// read. Out-of-range values become infinities.
double ParseLeadingDouble(const QString& text);
