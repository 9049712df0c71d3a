// The proportional layout of the main window: controls keep their place as fractions of
// the client area when the window is resized.
#pragma once

#include <vector>

#include "platform/WinTypes.h"

class QWidget;

struct LayoutItem {
    int id = 0;
    QWidget* parent = nullptr;
    float left = 0;  // fractions of the parent's client width
    float right = 0;
    float top = 0;  // fractions of the parent's client height
    float bottom = 0;
};

struct LayoutState {
    RECT client;  // the parent's client rectangle as last measured
    std::vector<LayoutItem> items;
};
