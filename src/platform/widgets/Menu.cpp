#include "platform/widgets/Menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

constexpr UINT kNoItem = 0xFFFFFFFF;

QAction* NewItem(QWidget* menu, UINT flags, UINT id, const QString& text) {
    auto* action = new QAction(text, menu);
    if (flags & MF_SEPARATOR) {
        action->setSeparator(true);
    } else {
        action->setData(id);
    }
    if (flags & MF_GRAYED) action->setEnabled(false);
    if (flags & MF_CHECKED) {
        action->setCheckable(true);
        action->setChecked(true);
    }
    menu->addAction(action);
    return action;
}

void FillMenu(QWidget* menu, const std::vector<MenuTemplateItem>& items) {
    for (const MenuTemplateItem& item : items) {
        if (item.flags & MF_POPUP) {
            auto* popup = new QMenu(item.text, menu);
            FillMenu(popup, item.items);
            menu->addAction(popup->menuAction());
            if (item.flags & MF_GRAYED) popup->menuAction()->setEnabled(false);
        } else {
            NewItem(menu, item.flags, item.id, item.text);
        }
    }
}

QAction* Resolve(const QWidget* menu, UINT idOrPosition, UINT flags) {
    if (flags & MF_BYPOSITION) return GetMenuItemAt(menu, static_cast<int>(idOrPosition));
    return FindMenuCommand(menu, idOrPosition);
}

}  // namespace

QMenuBar* BuildMenuBar(const MenuTemplate& menuTemplate, QWidget* parent) {
    auto* bar = new QMenuBar(parent);
    FillMenu(bar, menuTemplate.items);
    return bar;
}

QAction* FindMenuCommand(const QWidget* menu, UINT id) {
    if (menu == nullptr) return nullptr;
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        if (QMenu* sub = action->menu()) {
            if (QAction* found = FindMenuCommand(sub, id)) return found;
        } else if (!action->isSeparator() && action->data().isValid() &&
                   action->data().toUInt() == id) {
            return action;
        }
    }
    return nullptr;
}

QAction* GetMenuItemAt(const QWidget* menu, int position) {
    if (menu == nullptr) return nullptr;
    const auto actions = menu->actions();
    return position >= 0 && position < actions.size() ? actions[position] : nullptr;
}

UINT GetMenuItemID(const QAction* item) {
    if (item == nullptr || item->menu() != nullptr) return kNoItem;
    if (item->isSeparator()) return 0;
    return item->data().toUInt();
}

QMenu* GetSubMenu(const QWidget* menu, int position) {
    QAction* item = GetMenuItemAt(menu, position);
    return item ? item->menu() : nullptr;
}

int GetMenuItemCount(const QWidget* menu) {
    return menu ? static_cast<int>(menu->actions().size()) : -1;
}

UINT EnableMenuItem(const QWidget* menu, UINT idOrPosition, UINT flags) {
    QAction* item = Resolve(menu, idOrPosition, flags);
    if (item == nullptr) return kNoItem;
    const UINT previous = item->isEnabled() ? MF_ENABLED : MF_GRAYED;
    item->setEnabled((flags & MF_GRAYED) == 0);
    return previous;
}

UINT CheckMenuItem(const QWidget* menu, UINT idOrPosition, UINT flags) {
    QAction* item = Resolve(menu, idOrPosition, flags);
    if (item == nullptr) return kNoItem;
    const UINT previous = item->isChecked() ? MF_CHECKED : MF_UNCHECKED;
    // Only a checked item is checkable: styles draw an empty box before a checkable one.
    const bool checked = (flags & MF_CHECKED) != 0;
    item->setCheckable(checked);
    item->setChecked(checked);
    return previous;
}

BOOL SetMenuItemText(const QWidget* menu, UINT idOrPosition, UINT flags, const QString& text) {
    QAction* item = Resolve(menu, idOrPosition, flags);
    if (item == nullptr) return FALSE;
    item->setText(text);
    return TRUE;
}

BOOL DeleteMenu(QWidget* menu, UINT idOrPosition, UINT flags) {
    QAction* item = Resolve(menu, idOrPosition, flags);
    if (item == nullptr) return FALSE;
    menu->removeAction(item);
    if (QMenu* sub = item->menu()) {
        sub->deleteLater();
    } else if (item->parent() == menu) {
        item->deleteLater();
    }
    return TRUE;
}

BOOL AppendMenu(QWidget* menu, UINT flags, UINT id, const QString& text) {
    if (menu == nullptr) return FALSE;
    NewItem(menu, flags, id, text);
    return TRUE;
}
