// Window messages on Qt's event system: a window is a QObject whose event() handles
// WindowMessageEvent. PostMessage may be called from any thread; the message is handled
// on the receiver's thread. SendMessage handles it at once, on the caller's thread.
#pragma once

#include <QEvent>
#include <QPointer>

#include "platform/WinTypes.h"

class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(UINT message, WPARAM wParam, LPARAM lParam)
        : QEvent(eventType()), message_(message), wParam_(wParam), lParam_(lParam) {}

    static QEvent::Type eventType();

    UINT message() const { return message_; }
    WPARAM wParam() const { return wParam_; }
    LPARAM lParam() const { return lParam_; }

    // The receiver's result, for SendMessage.
    LRESULT result = 0;

private:
    UINT message_;
    WPARAM wParam_;
    LPARAM lParam_;
};

// Queues the message for the window; FALSE when there is no window.
BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Delivers the message synchronously and returns the receiver's result (0 without a window).
LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
