// Dialog templates, the combo box's messages, menus and accelerators.
#include <gtest/gtest.h>

#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

#include "platform/WindowMessage.h"
#include "platform/widgets/Accelerators.h"
#include "platform/widgets/ComboBoxControl.h"
#include "platform/widgets/DialogBuilder.h"
#include "platform/widgets/LinkControl.h"
#include "platform/widgets/Menu.h"

namespace {

DialogTemplate SampleTemplate() {
    DialogTemplate t;
    t.id = 7;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SHELLFONT;
    t.cx = 200;
    t.cy = 100;
    t.caption = "Sample";
    t.pointSize = 8;
    t.controls = {
        {1, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 10, 80, 50, 14},
        {1014, "STATIC", "&Folder", WS_CHILD | WS_VISIBLE, 14, 14, 33, 8},
        {1017, "STATIC", "A&&B &C", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 14, 24, 60, 8},
        {1005, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_READONLY, 14, 36, 150, 14},
        {1023, "MfcLink", "mail", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 100, 10, 80, 10},
        {1003, "COMBOBOX", "", WS_CHILD | WS_VSCROLL | CBS_DROPDOWN, 0, 0, 60, 30},
    };
    return t;
}

// Every control at its place in dialog units, with its id, kind and state.
TEST(DialogBuilder, BuildsEveryControlAtItsPlaceWithItsId) {
    QDialog dialog;
    const DialogTemplate t = SampleTemplate();
    const QSize size = BuildDialogFromTemplate(&dialog, t);
    const DialogBaseUnits units = GetDialogBaseUnits(DialogFont(t));
    EXPECT_EQ(size, MapDialogRect(units, QRect(0, 0, 200, 100)).size());
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    for (const DialogControl& c : t.controls) {
        QWidget* w = GetDlgItem(&dialog, c.id);
        ASSERT_NE(w, nullptr) << c.id;
        EXPECT_EQ(GetDlgCtrlID(w), c.id);
        EXPECT_EQ(w->geometry(), MapDialogRect(units, QRect(c.x, c.y, c.cx, c.cy))) << c.id;
        EXPECT_EQ(w->isVisibleTo(&dialog), (c.style & WS_VISIBLE) != 0) << c.id;
    }
    EXPECT_TRUE(qobject_cast<QLineEdit*>(GetDlgItem(&dialog, 1005))->isReadOnly());
    EXPECT_EQ(MapDialogRect({7, 15}, QRect(0, 0, 1, 1)), QRect(0, 0, 2, 2));  // 1.75, 1.875
    EXPECT_GT(GetDialogBaseUnits(QFont(DialogFont(t).family(), 16)).x, units.x);
}

// '&' marks a mnemonic unless SS_NOPREFIX; the window text keeps it.
TEST(DialogBuilder, WindowTextsFollowThePlatformsPrefixRule) {
    QDialog dialog;
    BuildDialogFromTemplate(&dialog, SampleTemplate());
    auto* folder = qobject_cast<QLabel*>(GetDlgItem(&dialog, 1014));
    EXPECT_EQ(folder->text(), "Folder");
    EXPECT_EQ(GetDlgItemText(&dialog, 1014), "&Folder");
    EXPECT_EQ(qobject_cast<QLabel*>(GetDlgItem(&dialog, 1017))->text(), "A&&B &C");
    SetDlgItemText(&dialog, 1014, "Salt && pepper");
    EXPECT_EQ(folder->text(), "Salt & pepper");
}

// The hidden device list: UTF-8 names in and out, CB_ERR outside the list.
TEST(DialogBuilder, ComboBoxAnswersItsMessages) {
    QDialog dialog;
    BuildDialogFromTemplate(&dialog, SampleTemplate());
    auto* list = qobject_cast<ComboBoxControl*>(GetDlgItem(&dialog, 1003));
    ASSERT_NE(list, nullptr);
    const QByteArray name = "Камера Ü";
    SendMessage(list, CB_ADDSTRING, 0, LPARAM("Virtual Camera 1"));
    EXPECT_EQ(SendMessage(list, CB_ADDSTRING, 0, LPARAM(name.constData())), 1);
    EXPECT_EQ(list->itemText(1), QString::fromUtf8(name));
    ASSERT_EQ(SendMessage(list, CB_GETLBTEXTLEN, 1, 0), name.size());
    QByteArray buffer(name.size() + 1, 'x');
    EXPECT_EQ(SendMessage(list, CB_GETLBTEXT, 1, LPARAM(buffer.data())), name.size());
    EXPECT_EQ(QByteArray(buffer.constData()), name);
    EXPECT_EQ(SendMessage(list, CB_GETLBTEXT, 5, LPARAM(buffer.data())), CB_ERR);
}

// Separators and popups carry no command; an unknown command finds no item.
TEST(Menu, SeparatorsAndPopupsCarryNoCommand) {
    QWidget window;
    MenuTemplate m;
    m.items = {{"File", 0, MF_POPUP, {{"Open", 100, 0, {}}, {"", 0, MF_SEPARATOR, {}}}}};
    QMenuBar* bar = BuildMenuBar(m, &window);
    EXPECT_EQ(GetMenuItemID(GetMenuItemAt(GetSubMenu(bar, 0), 1)), 0u);
    EXPECT_EQ(GetMenuItemID(GetMenuItemAt(bar, 0)), 0xFFFFFFFFu);
    EXPECT_EQ(FindMenuCommand(bar, 999), nullptr);
}

// An entry matches its key with exactly its modifiers, on a press (greyed items: main window).
TEST(Accelerator, KeysMatchWithExactlyTheirModifiers) {
    EXPECT_EQ(VirtualKeyFromEvent(QKeyEvent(QEvent::KeyPress, Qt::Key_F13, {})), 0);
    const AcceleratorTable table(
        {{FVIRTKEY, VK_SPACE, 1}, {FVIRTKEY | FCONTROL, 'S', 2}, {FVIRTKEY, VK_NUMPAD5, 3}});
    const std::tuple<QEvent::Type, int, Qt::KeyboardModifiers, WORD> cases[] = {
        {QEvent::KeyPress, Qt::Key_Space, {}, 1},
        {QEvent::KeyPress, Qt::Key_Space, Qt::ShiftModifier, 0},
        {QEvent::KeyPress, Qt::Key_S, Qt::ControlModifier, 2},
        {QEvent::KeyPress, Qt::Key_5, Qt::KeypadModifier, 3},
        {QEvent::KeyPress, Qt::Key_5, {}, 0},
        {QEvent::KeyRelease, Qt::Key_Space, {}, 0}};
    for (const auto& [type, key, modifiers, command] : cases)
        EXPECT_EQ(table.Match(QKeyEvent(type, key, modifiers)), command) << key;
}

}  // namespace
