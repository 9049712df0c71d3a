#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <vector>

#include "platform/ComboBoxControl.h"
#include "platform/DialogBuilder.h"
#include "platform/LinkControl.h"
#include "platform/WindowMessage.h"

namespace {

DialogTemplate SampleTemplate() {
    DialogTemplate t;
    t.id = 7;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SHELLFONT;
    t.cx = 200;
    t.cy = 100;
    t.caption = QStringLiteral("Sample");
    t.pointSize = 8;
    t.controls = {
        {1, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 10, 80, 50, 14},
        {1004, "BUTTON", "Check", WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX, 10, 60, 64, 10},
        {1008, "BUTTON", "bmp", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, 80, 60, 30, 10},
        {1014, "STATIC", "&Folder", WS_CHILD | WS_VISIBLE, 14, 14, 33, 8},
        {1017, "STATIC", "A&&B &C", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 14, 24, 60, 8},
        {1005, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_READONLY, 14, 36, 150, 14},
        {1023, "MfcLink", "mail", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 100, 10, 80, 10},
        {1030, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_DISABLED, 100, 80, 40, 14},
    };
    return t;
}

TEST(DialogBuilderTest, DialogUnitsFollowTheFont) {
    QFont font;
    font.setPointSize(9);
    const QFontMetrics metrics(font);
    const DialogBaseUnits units = GetDialogBaseUnits(font);
    const int extent = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(units.x, (extent / 26 + 1) / 2);
    EXPECT_EQ(units.y, metrics.height());

    const DialogBaseUnits fixed{7, 15};
    EXPECT_EQ(MapDialogRect(fixed, QRect(4, 8, 473, 385)), QRect(7, 15, 828, 722));
    EXPECT_EQ(MapDialogRect(fixed, QRect(0, 0, 1, 1)), QRect(0, 0, 2, 2));  // 1.75, 1.875

    QFont bigger = font;
    bigger.setPointSize(18);
    EXPECT_GT(GetDialogBaseUnits(bigger).x, units.x);
}

TEST(DialogBuilderTest, BuildsEveryControlAtItsPlaceWithItsId) {
    QDialog dialog;
    const DialogTemplate t = SampleTemplate();
    const QSize size = BuildDialogFromTemplate(&dialog, t);
    const DialogBaseUnits units = GetDialogBaseUnits(DialogFont(t));
    EXPECT_EQ(size, MapDialogRect(units, QRect(0, 0, 200, 100)).size());
    EXPECT_EQ(dialog.size(), size);
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());  // no sizing border
    EXPECT_EQ(dialog.windowTitle(), "Sample");

    for (const DialogControl& c : t.controls) {
        QWidget* w = GetDlgItem(&dialog, c.id);
        ASSERT_NE(w, nullptr) << c.id;
        EXPECT_EQ(GetDlgCtrlID(w), c.id);
        EXPECT_EQ(w->geometry(), MapDialogRect(units, QRect(c.x, c.y, c.cx, c.cy))) << c.id;
        EXPECT_EQ(w->isVisibleTo(&dialog), (c.style & WS_VISIBLE) != 0) << c.id;
    }
    EXPECT_EQ(GetDlgItem(&dialog, 4242), nullptr);
    EXPECT_TRUE(qobject_cast<QPushButton*>(GetDlgItem(&dialog, 1))->isDefault());
    EXPECT_NE(qobject_cast<QCheckBox*>(GetDlgItem(&dialog, 1004)), nullptr);
    EXPECT_NE(qobject_cast<QRadioButton*>(GetDlgItem(&dialog, 1008)), nullptr);
    EXPECT_TRUE(qobject_cast<QLineEdit*>(GetDlgItem(&dialog, 1005))->isReadOnly());
    EXPECT_NE(qobject_cast<LinkControl*>(GetDlgItem(&dialog, 1023)), nullptr);
    EXPECT_FALSE(GetDlgItem(&dialog, 1030)->isEnabled());
    EXPECT_EQ(GetDlgItem(&dialog, 1008)->focusPolicy(), Qt::ClickFocus);  // no tab stop
}

TEST(DialogBuilderTest, WindowTextsFollowThePlatformsPrefixRule) {
    QDialog dialog;
    BuildDialogFromTemplate(&dialog, SampleTemplate());
    auto* folder = qobject_cast<QLabel*>(GetDlgItem(&dialog, 1014));
    EXPECT_EQ(folder->text(), "Folder");
    EXPECT_EQ(GetDlgItemText(&dialog, 1014), "&Folder");
    EXPECT_EQ(qobject_cast<QLabel*>(GetDlgItem(&dialog, 1017))->text(), "A&&B &C");

    SetDlgItemText(&dialog, 1014, QStringLiteral("Salt && pepper"));
    EXPECT_EQ(folder->text(), "Salt & pepper");
    SetDlgItemText(&dialog, 1005, QStringLiteral("/data/pics/"));
    EXPECT_EQ(GetDlgItemText(&dialog, 1005), "/data/pics/");
    SetDlgItemText(&dialog, 1, QStringLiteral("Ok"));
    EXPECT_EQ(GetDlgItemText(&dialog, 1), "Ok");
    SetDlgItemText(&dialog, 1023, QStringLiteral("a@b.example"));
    EXPECT_EQ(GetDlgItemText(&dialog, 1023), "a@b.example");
}

TEST(DialogBuilderTest, SeparateClientAreaKeepsTheDialogResizable) {
    QDialog dialog;
    QWidget* client = new QWidget(&dialog);
    DialogTemplate t = SampleTemplate();
    t.style |= WS_THICKFRAME;
    const QSize size = BuildDialogFromTemplate(&dialog, t, client);
    EXPECT_EQ(client->size(), size);
    EXPECT_EQ(GetDlgItem(&dialog, 1005)->parentWidget(), client);
    EXPECT_NE(dialog.minimumSize(), dialog.maximumSize());
}

TEST(ComboBoxControlTest, AnswersTheComboBoxMessages) {
    QDialog dialog;
    DialogTemplate t = SampleTemplate();
    t.controls.push_back(
        {1003, "COMBOBOX", "", WS_CHILD | WS_VSCROLL | CBS_DROPDOWN, 0, 0, 60, 30});
    BuildDialogFromTemplate(&dialog, t);
    auto* list = qobject_cast<ComboBoxControl*>(GetDlgItem(&dialog, 1003));
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(list->isVisibleTo(&dialog));

    EXPECT_EQ(SendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Virtual Camera 1")), 0);
    EXPECT_EQ(SendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Камера Ü")), 1);
    EXPECT_EQ(SendMessage(list, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(list->itemText(1), QStringLiteral("Камера Ü"));

    const LRESULT length = SendMessage(list, CB_GETLBTEXTLEN, 1, 0);
    ASSERT_EQ(length, QByteArray("Камера Ü").size());
    std::vector<char> buffer(static_cast<size_t>(length) + 1, 'x');
    EXPECT_EQ(SendMessage(list, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(buffer.data())), length);
    EXPECT_STREQ(buffer.data(), "Камера Ü");
    EXPECT_EQ(SendMessage(list, CB_GETLBTEXTLEN, 2, 0), CB_ERR);
    EXPECT_EQ(SendMessage(list, CB_GETLBTEXT, 5, reinterpret_cast<LPARAM>(buffer.data())), CB_ERR);

    EXPECT_EQ(SendMessage(list, CB_RESETCONTENT, 0, 0), 0);
    EXPECT_EQ(SendMessage(list, CB_GETCOUNT, 0, 0), 0);
}

}  // namespace
