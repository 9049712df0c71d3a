// AVI Mux: one video input (an explicitly requested video_%u pad of avimux; a plain link
// would pick an audio pad) and the AVI stream out.
#pragma once

#include "media/GstFilter.h"

class AviMux final : public GstFilter {
public:
    AviMux();
};
