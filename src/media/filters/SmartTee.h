// Smart Tee: one input, a "Capture" and a "Preview" output, each on its own streaming
// thread; an output that is not connected is skipped.
#pragma once

#include "media/graph/GstFilter.h"

class SmartTee final : public GstFilter {
public:
    SmartTee();
};
