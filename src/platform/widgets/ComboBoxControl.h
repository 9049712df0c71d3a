// A combo box that also answers the platform's combo-box messages, so that code without
// widgets (the capture engine) can fill it through SendMessage:
//   CB_ADDSTRING     lParam: UTF-8 text (null: empty); appends it, returns its index
//   CB_GETCOUNT      returns the number of entries
//   CB_GETLBTEXTLEN  wParam: index; returns the UTF-8 length, or CB_ERR
//   CB_GETLBTEXT     wParam: index, lParam: buffer of at least CB_GETLBTEXTLEN + 1 bytes;
//                    copies the UTF-8 text with its terminating zero, returns the length
//   CB_RESETCONTENT  removes every entry
#pragma once

#include <QComboBox>

#include "platform/WinTypes.h"

class ComboBoxControl : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBoxControl(QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
};
