#include "platform/widgets/LinkControl.h"

#include <QDesktopServices>
#include <QRegularExpression>

namespace {

// "scheme://..." for any scheme, or one of the schemes written without "//". A bare
// "host:port" is not a scheme.
bool HasScheme(const QString& target) {
    static const QRegularExpression hierarchical(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    static const QRegularExpression opaque(
        QStringLiteral("^(mailto|tel|callto|sms|news|urn|data):"),
        QRegularExpression::CaseInsensitiveOption);
    return hierarchical.match(target).hasMatch() || opaque.match(target).hasMatch();
}

// One "@" with text on both sides, no blanks and no path before it.
bool IsMailAddress(const QString& target) {
    static const QRegularExpression mail(QStringLiteral("^[^@\\s/:]+@[^@\\s/]+$"));
    return mail.match(target).hasMatch();
}

}  // namespace

LinkControl::LinkControl(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    setOpenExternalLinks(false);
    connect(this, &QLabel::linkActivated, this, [this](const QString&) { Open(); });
}

void LinkControl::SetWindowText(const QString& text) {
    text_ = text;
    Refresh();
}

void LinkControl::SetURL(const QString& target) {
    target_ = target;
}

QUrl LinkControl::TargetUrl() const {
    return ToUrl(target_.isEmpty() ? text_ : target_);
}

QUrl LinkControl::ToUrl(const QString& target) {
    const QString t = target.trimmed();
    if (t.isEmpty()) return {};
    QUrl url;
    if (HasScheme(t)) {
        url = QUrl(t, QUrl::TolerantMode);
    } else if (IsMailAddress(t)) {
        url = QUrl(QStringLiteral("mailto:") + t, QUrl::TolerantMode);
    } else {
        url = QUrl(QStringLiteral("https://") + t, QUrl::TolerantMode);
    }
    return url.isValid() ? url : QUrl();
}

bool LinkControl::Open() {
    const QUrl url = TargetUrl();
    if (!url.isValid()) return false;
    Q_EMIT opened(url);
    return QDesktopServices::openUrl(url);
}

void LinkControl::Refresh() {
    // The text is escaped: it shows exactly as given, whatever characters it holds.
    setText(QStringLiteral("<a href=\"link\">%1</a>").arg(text_.toHtmlEscaped()));
}
