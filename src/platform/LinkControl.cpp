#include "platform/LinkControl.h"

#include <QDesktopServices>

LinkControl::LinkControl(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    setOpenExternalLinks(false);
    connect(this, &QLabel::linkActivated, this, [this](const QString&) {
        const QUrl url = ToUrl(target_);
        Q_EMIT opened(url);
        QDesktopServices::openUrl(url);
    });
}

void LinkControl::SetWindowText(const QString& text) {
    text_ = text;
    Refresh();
}

void LinkControl::SetURL(const QString& target) {
    target_ = target;
    Refresh();
}

QUrl LinkControl::ToUrl(const QString& target) {
    const QString t = target.trimmed();
    if (t.contains(u"://") || t.startsWith(u"mailto:", Qt::CaseInsensitive)) return QUrl(t);
    if (t.contains(u'@')) return QUrl(QStringLiteral("mailto:") + t);
    return QUrl(QStringLiteral("http://") + t);
}

void LinkControl::Refresh() {
    setText(QStringLiteral("<a href=\"link\">%1</a>").arg(text_.toHtmlEscaped()));
}
