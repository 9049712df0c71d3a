#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <vector>

#include "platform/Accelerators.h"
#include "platform/Menu.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"

namespace {

MenuTemplate SampleMenu() {
    MenuTemplate m;
    m.items = {
        {"File",
         0,
         MF_POPUP,
         {{"Open", 100, 0, {}}, {"", 0, MF_SEPARATOR, {}}, {"Exit", 101, 0, {}}}},
        {"Ops", 0, MF_POPUP, {{"Snap", 200, MF_GRAYED, {}}, {"Cross", 201, 0, {}}}},
        {"About", 300, 0, {}},
    };
    return m;
}

// Records the WM_COMMANDs it receives.
class CommandSink : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != WindowMessageEvent::eventType()) return QObject::event(e);
        auto* m = static_cast<WindowMessageEvent*>(e);
        if (m->message() == WM_COMMAND) commands.push_back(m->wParam());
        return true;
    }
    std::vector<WPARAM> commands;
};

TEST(MenuTest, BuildsTheTemplateAndAddressesItemsByCommandOrPosition) {
    QWidget window;
    QMenuBar* bar = BuildMenuBar(SampleMenu(), &window);
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    QMenu* file = GetSubMenu(bar, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(GetMenuItemCount(file), 3);
    EXPECT_EQ(GetMenuItemID(GetMenuItemAt(file, 0)), 100u);
    EXPECT_EQ(GetMenuItemID(GetMenuItemAt(file, 1)), 0u);          // separator
    EXPECT_EQ(GetMenuItemID(GetMenuItemAt(bar, 0)), 0xFFFFFFFFu);  // popup
    EXPECT_EQ(GetSubMenu(bar, 2), nullptr);
    EXPECT_EQ(FindMenuCommand(bar, 300)->text(), "About");
    EXPECT_FALSE(FindMenuCommand(bar, 200)->isEnabled());
    EXPECT_EQ(FindMenuCommand(bar, 999), nullptr);

    EXPECT_EQ(EnableMenuItem(bar, 200, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
    EXPECT_TRUE(FindMenuCommand(bar, 200)->isEnabled());
    EXPECT_EQ(EnableMenuItem(bar, 999, MF_GRAYED), 0xFFFFFFFFu);

    EXPECT_TRUE(SetMenuItemText(bar, 1, MF_BYPOSITION, "Operation"));
    EXPECT_EQ(GetMenuItemAt(bar, 1)->text(), "Operation");
    EXPECT_EQ(GetSubMenu(bar, 1)->actions().size(), 2);  // the popup kept its items

    EXPECT_EQ(CheckMenuItem(bar, 201, MF_CHECKED), MF_UNCHECKED);
    EXPECT_TRUE(FindMenuCommand(bar, 201)->isChecked());
    // An unchecked item shows no box (a checkable action draws an empty one).
    EXPECT_EQ(CheckMenuItem(bar, 201, MF_UNCHECKED), MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(bar, 200, MF_UNCHECKED), MF_UNCHECKED);
    EXPECT_FALSE(FindMenuCommand(bar, 201)->isCheckable() ||
                 FindMenuCommand(bar, 200)->isCheckable());
}

TEST(MenuTest, DeleteAndAppendRebuildAPopup) {
    QWidget window;
    QMenuBar* bar = BuildMenuBar(SampleMenu(), &window);
    QMenu* file = GetSubMenu(bar, 0);
    for (int i = GetMenuItemCount(file) - 1; i >= 0; --i) {
        EXPECT_TRUE(DeleteMenu(file, static_cast<UINT>(i), MF_BYPOSITION));
    }
    EXPECT_EQ(GetMenuItemCount(file), 0);
    EXPECT_FALSE(DeleteMenu(file, 0, MF_BYPOSITION));
    EXPECT_TRUE(AppendMenu(file, MF_STRING, 40056, "Camera A"));
    EXPECT_TRUE(AppendMenu(file, MF_STRING, 40057, "Camera B"));
    EXPECT_EQ(GetMenuItemID(GetMenuItemAt(file, 1)), 40057u);
    EXPECT_EQ(FindMenuCommand(bar, 100), nullptr);
}

QKeyEvent Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return QKeyEvent(QEvent::KeyPress, key, modifiers);
}

TEST(AcceleratorTest, VirtualKeysOfQtKeys) {
    EXPECT_EQ(VirtualKeyFromEvent(Key(Qt::Key_5, Qt::KeypadModifier)), VK_NUMPAD5);
    EXPECT_EQ(VirtualKeyFromEvent(Key(Qt::Key_5)), '5');
    EXPECT_EQ(VirtualKeyFromEvent(Key(Qt::Key_Enter, Qt::KeypadModifier)), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromEvent(Key(Qt::Key_Return)), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromEvent(Key(Qt::Key_Space)), VK_SPACE);
    EXPECT_EQ(VirtualKeyFromEvent(Key(Qt::Key_F13)), 0);
}

TEST(AcceleratorTest, EntriesMatchTheirKeyWithExactlyTheirModifiers) {
    const AcceleratorTable table(
        {{FVIRTKEY, VK_SPACE, 1}, {FVIRTKEY | FCONTROL, 'S', 2}, {FVIRTKEY, VK_NUMPAD5, 3}});
    EXPECT_EQ(table.Match(Key(Qt::Key_Space)), 1);
    EXPECT_EQ(table.Match(Key(Qt::Key_Space, Qt::ShiftModifier)), 0);
    EXPECT_EQ(table.Match(Key(Qt::Key_S, Qt::ControlModifier)), 2);
    EXPECT_EQ(table.Match(Key(Qt::Key_S)), 0);
    EXPECT_EQ(table.Match(Key(Qt::Key_5, Qt::KeypadModifier)), 3);
    EXPECT_EQ(table.Match(Key(Qt::Key_5)), 0);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier);
    EXPECT_EQ(table.Match(release), 0);
}

TEST(AcceleratorTest, GreyedItemSwallowsTheKeyWithoutACommand) {
    QWidget window;
    QMenuBar* bar = BuildMenuBar(SampleMenu(), &window);
    const AcceleratorTable table({{FVIRTKEY, VK_RETURN, 200}, {FVIRTKEY, VK_SPACE, 777}});
    CommandSink sink;

    QKeyEvent enter = Key(Qt::Key_Return);
    EXPECT_TRUE(TranslateAccelerator(&sink, bar, table, &enter));
    EXPECT_TRUE(sink.commands.empty());  // item 200 is greyed

    EnableMenuItem(bar, 200, MF_ENABLED);
    EXPECT_TRUE(TranslateAccelerator(&sink, bar, table, &enter));
    ASSERT_EQ(sink.commands.size(), 1u);
    EXPECT_EQ(LOWORD(sink.commands[0]), 200);
    EXPECT_EQ(HIWORD(sink.commands[0]), 1);

    QKeyEvent space = Key(Qt::Key_Space);  // no menu item: always acts
    EXPECT_TRUE(TranslateAccelerator(&sink, bar, table, &space));
    EXPECT_EQ(sink.commands.size(), 2u);

    QKeyEvent other = Key(Qt::Key_A);
    EXPECT_FALSE(TranslateAccelerator(&sink, bar, table, &other));
}

TEST(MessageBoxTest, HandlerReceivesTheBoxAndIsRestored) {
    struct Shown {
        HWND owner;
        QString text, caption;
        UINT type;
    };
    std::vector<Shown> shown;
    QObject owner;
    const MessageBoxHandler previous =
        SetMessageBoxHandler([&](HWND o, const QString& text, const QString& caption, UINT type) {
            shown.push_back({o, text, caption, type});
            return IDOK;
        });
    EXPECT_EQ(MessageBox(&owner, "Fail to set media type!", "lumivisor", MB_OK), IDOK);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].owner, &owner);
    EXPECT_EQ(shown[0].text, "Fail to set media type!");
    EXPECT_EQ(shown[0].caption, "lumivisor");
    QCoreApplication::setApplicationName("lumivisor-test");
    AfxMessageBox("text");
    EXPECT_EQ(shown.at(1).caption, "lumivisor-test");
    SetMessageBoxHandler(previous);
}

}  // namespace
