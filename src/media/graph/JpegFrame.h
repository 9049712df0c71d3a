// A JPEG frame the decoder has let through undecoded: the compressed bytes and the picture
// they hold (width, height, 24 or 32 bits per pixel). It travels as a meta on the decoder's
// output buffer, so that whoever takes the frame decodes it when, and where, the pixels are
// needed. Every decode gives exactly the pixels of the decoder element (libjpeg-turbo, fast
// integer DCT, BGR or BGRx).
#pragma once

#include <gst/gst.h>

#include <functional>
#include <memory>

#include "platform/WinTypes.h"

class JpegFrame {
public:
    // Holds a copy of jpeg: a camera's buffers go back to it at once, as they did when the
    // decoder decoded them there (a camera has only a few).
    JpegFrame(GstBuffer* jpeg, int width, int height, int bitCount);
    ~JpegFrame();
    JpegFrame(const JpegFrame&) = delete;
    JpegFrame& operator=(const JpegFrame&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitCount() const { return bitCount_; }

    // The whole frame as bottom-up DIB rows of DibStride bytes into dib (that many bytes
    // times the height). False when the JPEG is damaged; what could be decoded is written.
    bool DecodeDib(BYTE* dib) const;

    // Decodes the frame top-down in bands: before each band, rowAt(row) gives where each
    // upright row of the band is to be written (Width() pixels); after it, done(first,
    // count) says which rows were written. False when the JPEG is damaged.
    using RowAt = std::function<BYTE*(int row)>;
    using RowsDone = std::function<void(int first, int count)>;
    bool DecodeBands(const RowAt& rowAt, const RowsDone& done) const;

    // Puts frame on buffer (a frame of its DIB size, not yet decoded).
    static void Attach(GstBuffer* buffer, std::shared_ptr<const JpegFrame> frame);
    // The frame a buffer carries undecoded; null when it carries pixels.
    static std::shared_ptr<const JpegFrame> Of(GstBuffer* buffer);

    // Decodes jpeg (size bytes) into bottom-up DIB rows as the decoder element does; 0 on
    // success. decoder: a TurboJPEG decompressor.
    static int DecodeDibWith(void* decoder, const guint8* jpeg, gsize size, BYTE* dib, int width,
                             int height, int bitCount);

private:
    GstBuffer* jpeg_;
    int width_;
    int height_;
    int bitCount_;
};
