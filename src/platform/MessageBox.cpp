#include "platform/MessageBox.h"

#include <QCoreApplication>
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

MessageBoxHandler& Presenter() {
    static MessageBoxHandler presenter;
    return presenter;
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard lock(HandlerMutex());
    MessageBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

void SetMessageBoxPresenter(MessageBoxHandler presenter) {
    std::lock_guard lock(HandlerMutex());
    Presenter() = std::move(presenter);
}

int MessageBox(HWND owner, const QString& text, const QString& caption, UINT type) {
    MessageBoxHandler handler;
    MessageBoxHandler presenter;
    {
        std::lock_guard lock(HandlerMutex());
        handler = Handler();
        presenter = Presenter();
    }
    if (handler) return handler(owner, text, caption, type);
    if (presenter) {
        const int result = presenter(owner, text, caption, type);
        if (result != 0) return result;
    }
    std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(),
                 text.trimmed().toLocal8Bit().constData());
    return IDOK;
}

int AfxMessageBox(const QString& text, UINT type) {
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty()) name = QStringLiteral("lumivisor");
    return MessageBox(nullptr, text, name, type);
}
