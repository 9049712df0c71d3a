// A link label: shows its text underlined and, when clicked, opens its target with the
// desktop's handler. The target is a web or e-mail address as typed ("www.example.org",
// "name@example.org") or a full URL; without a target of its own the control opens its text.
#pragma once

#include <QLabel>
#include <QString>
#include <QUrl>

class LinkControl : public QLabel {
    Q_OBJECT
public:
    explicit LinkControl(QWidget* parent = nullptr);

    // The text shown, as it is (no markup, no scheme added).
    void SetWindowText(const QString& text);
    QString GetWindowText() const { return text_; }
    void SetURL(const QString& target);
    QString GetURL() const { return target_; }

    // The URL a click opens: the target, or the text when the target is empty.
    QUrl TargetUrl() const;

    // The URL a target opens. A target with a scheme of its own ("https://...",
    // "mailto:...", "tel:...") opens as it is; a bare e-mail address as "mailto:", anything
    // else as "https://". Blank or unparsable targets give an invalid URL.
    static QUrl ToUrl(const QString& target);

    // Opens TargetUrl() with the desktop's handler; false when there is nothing to open or
    // no handler took it.
    bool Open();

Q_SIGNALS:
    void opened(const QUrl& url);

private:
    void Refresh();

    QString text_;
    QString target_;
};
