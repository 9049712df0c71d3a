// Builds widgets from a dialog template, converting dialog units to pixels from the
// dialog's font the platform's way: one horizontal unit is a quarter of the font's average
// character width, one vertical unit an eighth of its character height.
// Every control carries its id (GetDlgItem / GetDlgCtrlID). Window classes:
//   BUTTON   push button (BS_DEFPUSHBUTTON: the default), check box, radio button, group box
//   STATIC   label (SS_NOPREFIX: text shown as it is), icon (SS_ICON), frame or rectangle
//   EDIT     line edit (ES_READONLY, WS_BORDER)
//   COMBOBOX ComboBoxControl (CBS_DROPDOWN: editable)
//   MfcLink  LinkControl
// Controls without WS_VISIBLE are hidden, with WS_DISABLED disabled.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>

#include "platform/ResourceTypes.h"

class QWidget;

// Average character width and character height of a font, in pixels.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

DialogBaseUnits GetDialogBaseUnits(const QFont& font);

// A rectangle in dialog units to pixels (x * units.x / 4, y * units.y / 8, rounded).
QRect MapDialogRect(const DialogBaseUnits& units, const QRect& dialogUnits);

// The application's font at the template's point size ("MS Shell Dlg" is the platform's
// alias for its default dialog font).
QFont DialogFont(const DialogTemplate& dialogTemplate);

// Gives the pixmap of an icon resource at a size (for SS_ICON statics).
using IconLoader = std::function<QPixmap(int iconId, QSize size)>;

// Creates the template's controls as children of `client` (the dialog itself when null),
// in template order (which is the tab order), and sets the dialog's caption, font and window
// flags. Without a separate client the dialog gets the template's size (a fixed size unless
// the template has WS_THICKFRAME). Returns the client size in pixels.
QSize BuildDialogFromTemplate(QWidget* dialog, const DialogTemplate& dialogTemplate,
                              QWidget* client = nullptr, const IconLoader& icons = {});

// The control with an id among the dialog's descendants; null when there is none.
QWidget* GetDlgItem(const QWidget* dialog, int id);

// The id of a control made by the builder; 0 for other widgets.
int GetDlgCtrlID(const QWidget* control);

// The window text of a control: label, button, line edit, combo box edit or link text.
void SetDlgItemText(const QWidget* dialog, int id, const QString& text);
QString GetDlgItemText(const QWidget* dialog, int id);
