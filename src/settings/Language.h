// The interface language: string choice by LanguageFlag, and the table ApplyLanguage walks
// to relabel the main window.
#pragma once

#include <QString>

#include "platform/WinTypes.h"

// The text of a pair by the current LanguageFlag: the Russian (even) id when it is
// non-zero, the English (odd) id russianId + 1 when it is zero.
QString PickString(int russianId);

// Qt's own texts (standard buttons, the file dialog) in the interface language: Qt's
// Russian catalogue (qtbase_ru from Qt's translations folder) is installed in the
// application for a non-zero flag and removed for zero. False when there is no application
// or the catalogue cannot be loaded (Qt's texts then stay English).
bool ApplyQtTranslations(int flag);

// One text ApplyLanguage sets: the caption, a menu bar popup by position, or an item by
// command, from the string pair whose Russian id is given.
struct LanguageLabel {
    enum class Target { Caption, PopupAtPosition, ItemWithCommand };
    Target target;
    UINT where;  // position or command id; unused for the caption
    int russianId;
};

// In the order ApplyLanguage sets them.
inline constexpr LanguageLabel kLanguageLabels[] = {
    {LanguageLabel::Target::Caption, 0, 100},
    {LanguageLabel::Target::PopupAtPosition, 0, 102},
    {LanguageLabel::Target::PopupAtPosition, 1, 110},
    {LanguageLabel::Target::PopupAtPosition, 2, 112},
    {LanguageLabel::Target::PopupAtPosition, 3, 128},
    {LanguageLabel::Target::ItemWithCommand, 32785, 114},
    {LanguageLabel::Target::ItemWithCommand, 32771, 106},
    {LanguageLabel::Target::ItemWithCommand, 32772, 104},
    {LanguageLabel::Target::ItemWithCommand, 32790, 130},
    {LanguageLabel::Target::ItemWithCommand, 32789, 132},
    {LanguageLabel::Target::ItemWithCommand, 32774, 116},
    {LanguageLabel::Target::ItemWithCommand, 32775, 118},
    {LanguageLabel::Target::ItemWithCommand, 32776, 120},
    {LanguageLabel::Target::ItemWithCommand, 32777, 122},
    {LanguageLabel::Target::ItemWithCommand, 32783, 124},
    {LanguageLabel::Target::ItemWithCommand, 32784, 126},
};
