#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>
#include <cstdio>
#include <mutex>

namespace {

std::mutex& HandlerMutex() {
    static std::mutex mutex;
    return mutex;
}

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

QMessageBox::Icon IconFor(UINT type) {
    switch (type & 0xF0) {
        case MB_ICONERROR:
            return QMessageBox::Critical;
        case MB_ICONWARNING:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard lock(HandlerMutex());
    MessageBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

int MessageBox(HWND owner, const QString& text, const QString& caption, UINT type) {
    MessageBoxHandler handler;
    {
        std::lock_guard lock(HandlerMutex());
        handler = Handler();
    }
    if (handler) return handler(owner, text, caption, type);

    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(),
                     text.trimmed().toLocal8Bit().constData());
        return IDOK;
    }
    QWidget* parent = qobject_cast<QWidget*>(owner);
    if (parent == nullptr) parent = QApplication::activeWindow();
    QMessageBox box(IconFor(type), caption, text, QMessageBox::Ok, parent);
    box.exec();
    return IDOK;
}

int AfxMessageBox(const QString& text, UINT type) {
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty()) name = QStringLiteral("lumivisor");
    return MessageBox(nullptr, text, name, type);
}
