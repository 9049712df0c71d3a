#include "TestSupport.h"

#include <QCoreApplication>
#include <chrono>
#include <thread>

#include "platform/MessageBox.h"

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

}  // namespace lumitest
