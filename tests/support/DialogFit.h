// Whether a control's text fits its template rectangle in the dialog's font: a label's text
// wrapped at its width must not need more height than the label has, a button's or a link's
// text must fit on its one line.
#pragma once

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QStringList>
#include <QWidget>

#include "platform/DialogBuilder.h"
#include "platform/LinkControl.h"

// "id: text" of every visible control whose text does not fit.
inline QStringList ClippedTexts(const QWidget* dialog) {
    QStringList clipped;
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(dialog)) continue;
        const QFontMetrics metrics(w->font());
        bool fits = true;
        QString text;
        if (auto* link = qobject_cast<LinkControl*>(w)) {
            text = link->GetWindowText();
            fits = metrics.horizontalAdvance(text) <= link->contentsRect().width();
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
            if (text.isEmpty()) continue;
            const QRect area = label->contentsRect();
            const QRect needed = metrics.boundingRect(QRect(0, 0, area.width(), 100000),
                                                      Qt::TextWordWrap | Qt::AlignLeft, text);
            fits = needed.width() <= area.width() && needed.height() <= area.height();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
            fits = metrics.horizontalAdvance(text) + 8 <= button->width();
        } else {
            continue;
        }
        if (!fits) clipped << QStringLiteral("%1: %2").arg(GetDlgCtrlID(w)).arg(text);
    }
    return clipped;
}
