// Modal message boxes. This header includes no Qt Widgets header, so code that must stay
// free of widgets (the capture engine) can report its failures through it.
#pragma once

#include <QString>
#include <functional>

#include "platform/WinTypes.h"

inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_ICONERROR = 0x10;
inline constexpr UINT MB_ICONWARNING = 0x30;
inline constexpr UINT MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;

// Shows text in a modal box with an OK button, over owner (a QWidget, or the active window
// when owner is null or not a widget), and returns IDOK when it is closed. The box is the
// widget layer's (InstallWidgetMessageBoxes); without it, or without a QApplication (e.g.
// before start-up), the text goes to standard error instead.
int MessageBox(HWND owner, const QString& text, const QString& caption, UINT type = MB_OK);

// The same, captioned with the application's name.
int AfxMessageBox(const QString& text, UINT type = MB_OK);

// Replaces the way boxes are shown (tests record them instead of blocking); returns the
// handler it replaces. An empty handler restores the modal box.
using MessageBoxHandler =
    std::function<int(HWND owner, const QString& text, const QString& caption, UINT type)>;
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The modal box itself, set once by the widget layer: returns IDOK when it showed the box, 0
// when it could not (the text then goes to standard error).
void SetMessageBoxPresenter(MessageBoxHandler presenter);
