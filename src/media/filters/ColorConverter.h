// Color Space Converter: any raw video in, DIB-ordered RGB24 or RGB32 out.
#pragma once

#include "media/graph/GstFilter.h"

class ColorConverter final : public GstFilter {
public:
    ColorConverter();
};
