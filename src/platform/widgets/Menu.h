// Menus from menu templates, and the platform's menu calls on them. A menu is a QMenuBar or
// a QMenu; every item is a QAction whose command id is its data. Popups are the
// menuAction() of their QMenu. Items are addressed by command (searching popups too) or by
// position (MF_BYPOSITION).
#pragma once

#include <QString>

#include "platform/ResourceTypes.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// A menu bar with the template's popups and items; an item of the bar itself (no popup)
// is a plain action of the bar. Choosing an item emits QMenuBar::triggered.
QMenuBar* BuildMenuBar(const MenuTemplate& menuTemplate, QWidget* parent);

// The item with a command id, in the menu or its popups; null when there is none.
QAction* FindMenuCommand(const QWidget* menu, UINT id);

// The item at a position; null when there is none.
QAction* GetMenuItemAt(const QWidget* menu, int position);

// The command id of an item; 0xFFFFFFFF for popups, 0 for separators.
UINT GetMenuItemID(const QAction* item);

// The popup at a position; null when the entry there is not a popup.
QMenu* GetSubMenu(const QWidget* menu, int position);

int GetMenuItemCount(const QWidget* menu);

// MF_GRAYED or MF_ENABLED, by command or position; the previous state, or 0xFFFFFFFF when
// the item does not exist.
UINT EnableMenuItem(const QWidget* menu, UINT idOrPosition, UINT flags);

// MF_CHECKED or MF_UNCHECKED; the previous state, or 0xFFFFFFFF when there is no item.
UINT CheckMenuItem(const QWidget* menu, UINT idOrPosition, UINT flags);

// Replaces only the text of an item or popup; state, command and submenu stay.
BOOL SetMenuItemText(const QWidget* menu, UINT idOrPosition, UINT flags, const QString& text);

// Removes an item (a popup with its submenu).
BOOL DeleteMenu(QWidget* menu, UINT idOrPosition, UINT flags);

// Appends a text item (MF_STRING) or a separator (MF_SEPARATOR).
BOOL AppendMenu(QWidget* menu, UINT flags, UINT id, const QString& text);
