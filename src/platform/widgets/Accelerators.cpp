#include "platform/widgets/Accelerators.h"

#include <QAction>
#include <QKeyEvent>
#include <QWidget>

#include "platform/WindowMessage.h"
#include "platform/widgets/Menu.h"

WORD VirtualKeyFromEvent(const QKeyEvent& event) {
    const int key = event.key();
    const bool keypad = event.modifiers() & Qt::KeypadModifier;
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        return static_cast<WORD>(keypad ? VK_NUMPAD0 + (key - Qt::Key_0) : '0' + (key - Qt::Key_0));
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<WORD>('A' + (key - Qt::Key_A));
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        case Qt::Key_Clear:
            return 0x0C;  // VK_CLEAR: keypad 5 without Num Lock
        default:
            return 0;
    }
}

AcceleratorTable::AcceleratorTable(std::vector<AcceleratorEntry> entries)
    : entries_(std::move(entries)) {}

WORD AcceleratorTable::Match(const QKeyEvent& event) const {
    if (event.type() != QEvent::KeyPress) return 0;
    const WORD vk = VirtualKeyFromEvent(event);
    if (vk == 0) return 0;
    BYTE state = 0;
    if (event.modifiers() & Qt::ShiftModifier) state |= FSHIFT;
    if (event.modifiers() & Qt::ControlModifier) state |= FCONTROL;
    if (event.modifiers() & Qt::AltModifier) state |= FALT;
    for (const AcceleratorEntry& entry : entries_) {
        if ((entry.fVirt & FVIRTKEY) && entry.key == vk &&
            (entry.fVirt & (FSHIFT | FCONTROL | FALT)) == state) {
            return entry.cmd;
        }
    }
    return 0;
}

BOOL TranslateAccelerator(HWND window, const QWidget* menu, const AcceleratorTable& table,
                          QEvent* message) {
    if (message == nullptr || message->type() != QEvent::KeyPress) return FALSE;
    const WORD command = table.Match(*static_cast<QKeyEvent*>(message));
    if (command == 0) return FALSE;
    const QAction* item = FindMenuCommand(menu, command);
    if (item == nullptr || item->isEnabled()) {
        SendMessage(window, WM_COMMAND, (WPARAM{1} << 16) | command, 0);
    }
    return TRUE;
}
