// What tests at every level share: a bounded wait on the event loop and a recorder of
// message boxes.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace lumitest {

// Waits (bounded, processing events) until pred holds; false when it never did.
bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 10000);

// Records every message box instead of showing it, while it lives.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QStringList texts;
    // Runs inside a message box (instead of its modal loop), when set.
    std::function<void(const QString&)> onMessage;
};

}  // namespace lumitest
