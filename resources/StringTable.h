// The string table, ids 80 to 181, in pairs: the even id Russian, the odd id English.
#pragma once

#include <QString>

// The text of a string id; empty when the table has no such id.
QString LoadStringId(int id);

// The text of a pair for a language flag: the Russian (even) id when the flag is non-zero,
// the English (odd) id, russianId + 1, when it is zero.
QString LoadStringForLanguage(int russianId, int languageFlag);

// Lowest and highest id of the table.
inline constexpr int kFirstStringId = 80;
inline constexpr int kLastStringId = 183;
