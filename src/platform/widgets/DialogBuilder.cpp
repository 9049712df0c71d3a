#include "platform/widgets/DialogBuilder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <cmath>

#include "platform/widgets/ComboBoxControl.h"
#include "platform/widgets/LinkControl.h"

namespace {

constexpr const char* kIdProperty = "dlgCtrlId";
constexpr const char* kTextProperty = "dlgWindowText";
// An icon static takes the size of the icon, as the platform's does.
constexpr int kIconSide = 32;

int Scale(int value, int units, int divisor) {
    return static_cast<int>(std::lround(static_cast<double>(value) * units / divisor));
}

// Label text as the platform shows it: "&x" underlines x (the '&' is not shown), "&&" is
// one '&'.
QString WithoutMnemonics(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) ++i;
        shown.append(text[i]);
    }
    return shown;
}

void SetLabelText(QLabel* label, const QString& text) {
    label->setProperty(kTextProperty, text);
    const bool noPrefix = label->property("dlgNoPrefix").toBool();
    label->setText(noPrefix ? text : WithoutMnemonics(text));
}

QWidget* MakeButton(const DialogControl& c, QWidget* parent) {
    switch (c.style & BS_TYPEMASK) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
            return new QCheckBox(c.text, parent);
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return new QRadioButton(c.text, parent);
        case BS_GROUPBOX:
            return new QGroupBox(c.text, parent);
        default: {
            auto* button = new QPushButton(c.text, parent);
            const bool isDefault = (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
            button->setDefault(isDefault);
            button->setAutoDefault(isDefault);
            return button;
        }
    }
}

QWidget* MakeStatic(const DialogControl& c, QWidget* parent, const IconLoader& icons) {
    const DWORD type = c.style & SS_TYPEMASK;
    if (type == SS_ICON) {
        auto* label = new QLabel(parent);
        if (icons) label->setPixmap(icons(c.text.toInt(), QSize(kIconSide, kIconSide)));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    if (type >= SS_BLACKRECT && type <= 9) {
        auto* frame = new QFrame(parent);
        frame->setFrameStyle(type >= SS_BLACKFRAME ? (QFrame::Box | QFrame::Plain)
                                                   : QFrame::NoFrame);
        return frame;
    }
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setProperty("dlgNoPrefix", (c.style & SS_NOPREFIX) != 0);
    label->setWordWrap(true);
    label->setAlignment((type == SS_CENTER  ? Qt::AlignHCenter
                         : type == SS_RIGHT ? Qt::AlignRight
                                            : Qt::AlignLeft) |
                        Qt::AlignTop);
    SetLabelText(label, c.text);
    return label;
}

QWidget* MakeControl(const DialogControl& c, QWidget* parent, const IconLoader& icons) {
    const QString cls = c.windowClass.toUpper();
    if (cls == u"BUTTON") return MakeButton(c, parent);
    if (cls == u"STATIC") return MakeStatic(c, parent, icons);
    if (cls == u"EDIT") {
        auto* edit = new QLineEdit(c.text, parent);
        edit->setReadOnly((c.style & ES_READONLY) != 0);
        edit->setFrame((c.style & WS_BORDER) != 0);
        return edit;
    }
    if (cls == u"COMBOBOX") {
        auto* combo = new ComboBoxControl(parent);
        combo->setEditable((c.style & 0x3) == CBS_DROPDOWN || (c.style & 0x3) == 1);
        return combo;
    }
    if (cls == u"MFCLINK") {
        auto* link = new LinkControl(parent);
        link->SetWindowText(c.text);
        return link;
    }
    return new QWidget(parent);
}

}  // namespace

DialogBaseUnits GetDialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int extent = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return DialogBaseUnits{(extent / 26 + 1) / 2, metrics.height()};
}

QRect MapDialogRect(const DialogBaseUnits& units, const QRect& dialogUnits) {
    return QRect(Scale(dialogUnits.x(), units.x, 4), Scale(dialogUnits.y(), units.y, 8),
                 Scale(dialogUnits.width(), units.x, 4), Scale(dialogUnits.height(), units.y, 8));
}

QFont DialogFont(const DialogTemplate& dialogTemplate) {
    QFont font = QApplication::font();
    if (dialogTemplate.pointSize > 0) font.setPointSize(dialogTemplate.pointSize);
    return font;
}

QSize BuildDialogFromTemplate(QWidget* dialog, const DialogTemplate& dialogTemplate,
                              QWidget* client, const IconLoader& icons) {
    if (client == nullptr) client = dialog;
    const QFont font = DialogFont(dialogTemplate);
    dialog->setFont(font);
    const DialogBaseUnits units = GetDialogBaseUnits(font);

    const Qt::WindowType type =
        dialog->windowType() == Qt::Widget ? Qt::Window : dialog->windowType();
    Qt::WindowFlags flags = type | Qt::CustomizeWindowHint;
    if (dialogTemplate.style & WS_CAPTION) flags |= Qt::WindowTitleHint;
    if (dialogTemplate.style & WS_SYSMENU) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    dialog->setWindowFlags(flags);
    dialog->setWindowTitle(dialogTemplate.caption);

    for (const DialogControl& c : dialogTemplate.controls) {
        const QRect pixels = MapDialogRect(units, QRect(c.x, c.y, c.cx, c.cy));
        QWidget* widget = MakeControl(c, client, icons);
        widget->setProperty(kIdProperty, c.id);
        if (c.id != -1) widget->setObjectName(QStringLiteral("ctl%1").arg(c.id));
        widget->setGeometry(pixels);
        const bool isIcon = c.windowClass.compare(u"STATIC", Qt::CaseInsensitive) == 0 &&
                            (c.style & SS_TYPEMASK) == SS_ICON;
        if (isIcon) widget->resize(kIconSide, kIconSide);
        if ((c.style & WS_TABSTOP) == 0 && widget->focusPolicy() != Qt::NoFocus) {
            widget->setFocusPolicy(Qt::ClickFocus);
        }
        if (c.style & WS_DISABLED) widget->setEnabled(false);
        if ((c.style & WS_VISIBLE) == 0) widget->hide();
    }

    const QSize size =
        MapDialogRect(units, QRect(0, 0, dialogTemplate.cx, dialogTemplate.cy)).size();
    if (client == dialog) {
        if (dialogTemplate.style & WS_THICKFRAME) {
            dialog->resize(size);
        } else {
            dialog->setFixedSize(size);
        }
    } else {
        client->resize(size);
    }
    return size;
}

QWidget* GetDlgItem(const QWidget* dialog, int id) {
    if (dialog == nullptr) return nullptr;
    const auto children = dialog->findChildren<QWidget*>();
    for (QWidget* child : children) {
        const QVariant value = child->property(kIdProperty);
        if (value.isValid() && value.toInt() == id) return child;
    }
    return nullptr;
}

int GetDlgCtrlID(const QWidget* control) {
    if (control == nullptr) return 0;
    const QVariant value = control->property(kIdProperty);
    return value.isValid() ? value.toInt() : 0;
}

void SetDlgItemText(const QWidget* dialog, int id, const QString& text) {
    QWidget* item = GetDlgItem(dialog, id);
    if (auto* link = qobject_cast<LinkControl*>(item)) {
        link->SetWindowText(text);
    } else if (auto* label = qobject_cast<QLabel*>(item)) {
        SetLabelText(label, text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(item)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(item)) {
        group->setTitle(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(item)) {
        edit->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(item)) {
        if (combo->isEditable()) combo->setEditText(text);
    }
}

QString GetDlgItemText(const QWidget* dialog, int id) {
    QWidget* item = GetDlgItem(dialog, id);
    if (auto* link = qobject_cast<LinkControl*>(item)) return link->GetWindowText();
    if (auto* label = qobject_cast<QLabel*>(item)) return label->property(kTextProperty).toString();
    if (auto* button = qobject_cast<QAbstractButton*>(item)) return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(item)) return group->title();
    if (auto* edit = qobject_cast<QLineEdit*>(item)) return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(item)) return combo->currentText();
    return {};
}
