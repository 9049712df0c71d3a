// Accelerator tables on Qt key events, with the platform's rules: an entry matches a key
// press of its virtual key with exactly its Shift/Ctrl/Alt state; its command goes to the
// window as WM_COMMAND (high word 1) unless the menu has an item of that command that is
// greyed, in which case the key is swallowed and nothing happens. Commands without a menu
// item always act.
#pragma once

#include <vector>

#include "platform/ResourceTypes.h"

class QEvent;
class QKeyEvent;
class QWidget;

// The platform's virtual-key code of a key event (keypad digits are VK_NUMPAD0..9, both
// Enter keys VK_RETURN); 0 for keys without one.
WORD VirtualKeyFromEvent(const QKeyEvent& event);

class AcceleratorTable {
public:
    AcceleratorTable() = default;
    explicit AcceleratorTable(std::vector<AcceleratorEntry> entries);

    bool IsEmpty() const { return entries_.empty(); }

    // The command of the first entry matching the key press; 0 when none does.
    WORD Match(const QKeyEvent& event) const;

private:
    std::vector<AcceleratorEntry> entries_;
};

// For a key press that matches the table: sends the command to the window unless its item
// in menu (may be null) is greyed, and returns TRUE. FALSE for every other event.
BOOL TranslateAccelerator(HWND window, const QWidget* menu, const AcceleratorTable& table,
                          QEvent* message);
