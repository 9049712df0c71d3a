// A link label: shows its text underlined and, when clicked, opens its target (a web or
// e-mail address as typed: "www.example.org", "name@example.org", or a full URL).
#pragma once

#include <QLabel>
#include <QString>
#include <QUrl>

class LinkControl : public QLabel {
    Q_OBJECT
public:
    explicit LinkControl(QWidget* parent = nullptr);

    void SetWindowText(const QString& text);
    QString GetWindowText() const { return text_; }
    void SetURL(const QString& target);
    QString GetURL() const { return target_; }

    // The URL a target opens: full URLs as they are, "x@y" as mailto:, else http.
    static QUrl ToUrl(const QString& target);

Q_SIGNALS:
    void opened(const QUrl& url);

private:
    void Refresh();

    QString text_;
    QString target_;
};
