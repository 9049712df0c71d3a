// What every level shares: waiting, message boxes, repaint counting, file reads and writes.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

namespace lumitest {

// Waits (bounded, processing events) until pred holds; false when it never did.
bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 10000);

// Records every message box instead of showing it, while it lives.
struct MessageRecorder {
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    QStringList texts;
    // Runs inside a message box (instead of its modal loop), when set.
    std::function<void(const QString&)> onMessage;
};

// A main window stand-in counting the frame sink's repaint requests.
struct RepaintCounter : QObject {
    bool event(QEvent* event) override;
    std::atomic<int> paints{0};
    bool acknowledge = true;
};

// Creates or replaces the file with the bytes; false when it cannot.
bool WriteFile(const QString& path, const QByteArray& bytes = {});
// The file's bytes, "<missing>" when it cannot be read.
QByteArray ReadFile(const QString& path);

}  // namespace lumitest
