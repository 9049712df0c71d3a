// The number for the next picture or video file, from the names already in a folder.
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

// The number a file name carries under the rule above; nullopt when it is to be ignored.
std::optional<std::int32_t> NumberOfFileName(const QString& fileName);

// atof's rule in the "C" locale: leading blanks, optional sign, digits with an optional
// fraction and exponent; reading stops at the first other character; 0 when nothing can be
// read. Out-of-range values become infinities.
double ParseLeadingDouble(const QString& text);
