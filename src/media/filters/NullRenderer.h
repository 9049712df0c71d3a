// Null Renderer: takes every sample and discards it (fakesink, no clock sync).
#pragma once

#include "media/graph/GstFilter.h"

class NullRenderer final : public GstFilter {
public:
    NullRenderer();
};
