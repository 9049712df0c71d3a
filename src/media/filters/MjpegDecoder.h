// MJPEG Decompressor: image/jpeg in, DIB-ordered RGB24 or RGB32 out (libjpeg-turbo), each
// frame decoded where its pixels are used (a JpegFrame on the buffer).
#pragma once

#include "media/graph/GstFilter.h"

class MjpegDecoder final : public GstFilter {
public:
    MjpegDecoder();
};
