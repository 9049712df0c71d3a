#include "TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <chrono>
#include <thread>

#include "frames/FrameState.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"

namespace lumitest {

bool WaitFor(const std::function<bool()>& pred, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

MessageRecorder::MessageRecorder() {
    SetMessageBoxHandler([this](HWND, const QString& text, const QString&, UINT) {
        texts << text;
        if (onMessage) onMessage(text);
        return IDOK;
    });
}

MessageRecorder::~MessageRecorder() {
    SetMessageBoxHandler({});
}

bool RepaintCounter::event(QEvent* event) {
    if (event->type() != WindowMessageEvent::eventType()) return QObject::event(event);
    if (static_cast<WindowMessageEvent*>(event)->message() == WM_PAINT) {
        ++paints;
        if (acknowledge) AcknowledgeRepaint();
    }
    return true;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace lumitest
