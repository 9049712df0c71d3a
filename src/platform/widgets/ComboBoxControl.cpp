#include "platform/widgets/ComboBoxControl.h"

#include <cstring>

#include "platform/WindowMessage.h"

ComboBoxControl::ComboBoxControl(QWidget* parent) : QComboBox(parent) {}

bool ComboBoxControl::event(QEvent* event) {
    if (event->type() == WindowMessageEvent::eventType()) {
        auto* message = static_cast<WindowMessageEvent*>(event);
        message->result = HandleMessage(message->message(), message->wParam(), message->lParam());
        return true;
    }
    return QComboBox::event(event);
}

LRESULT ComboBoxControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool validIndex = wParam < static_cast<WPARAM>(count());
    switch (message) {
        case CB_ADDSTRING: {
            const auto* text = reinterpret_cast<const char*>(lParam);
            addItem(text ? QString::fromUtf8(text) : QString());
            return count() - 1;
        }
        case CB_GETCOUNT:
            return count();
        case CB_GETLBTEXTLEN:
            return validIndex ? itemText(static_cast<int>(wParam)).toUtf8().size() : CB_ERR;
        case CB_GETLBTEXT: {
            auto* buffer = reinterpret_cast<char*>(lParam);
            if (!validIndex || buffer == nullptr) return CB_ERR;
            const QByteArray text = itemText(static_cast<int>(wParam)).toUtf8();
            std::memcpy(buffer, text.constData(), static_cast<size_t>(text.size()) + 1);
            return text.size();
        }
        case CB_RESETCONTENT:
            clear();
            return 0;
        default:
            return 0;
    }
}
