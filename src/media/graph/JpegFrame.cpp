#include "media/graph/JpegFrame.h"

#include <turbojpeg.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "media/graph/MediaType.h"

namespace {

// Rows asked of the decoder at a time: one band of a 4:2:0 frame.
constexpr int kBand = 16;

struct JpegFrameMeta {
    GstMeta meta;
    std::shared_ptr<const JpegFrame>* frame;
};

GType JpegFrameMetaApi() {
    static const GType type = [] {
        static const gchar* tags[] = {nullptr};
        return gst_meta_api_type_register("LumiJpegFrameMetaAPI", tags);
    }();
    return type;
}

gboolean MetaInit(GstMeta* meta, gpointer, GstBuffer*) {
    reinterpret_cast<JpegFrameMeta*>(meta)->frame = nullptr;
    return TRUE;
}

void MetaFree(GstMeta* meta, GstBuffer*) {
    auto* m = reinterpret_cast<JpegFrameMeta*>(meta);
    delete m->frame;
    m->frame = nullptr;
}

// A whole copy of the buffer carries the frame on; a part of it does not.
gboolean MetaTransform(GstBuffer* dest, GstMeta* meta, GstBuffer*, GQuark type, gpointer data) {
    auto* m = reinterpret_cast<JpegFrameMeta*>(meta);
    if (GST_META_TRANSFORM_IS_COPY(type) && m->frame &&
        !static_cast<GstMetaTransformCopy*>(data)->region)
        JpegFrame::Attach(dest, *m->frame);
    return TRUE;
}

const GstMetaInfo* JpegFrameMetaInfo() {
    static const GstMetaInfo* info =
        gst_meta_register(JpegFrameMetaApi(), "LumiJpegFrameMeta", sizeof(JpegFrameMeta), MetaInit,
                          MetaFree, MetaTransform);
    return info;
}

// libjpeg's errors end the decode; its warnings (damaged data) let it go on and fail it at
// the end, as TurboJPEG does.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    bool warning;
};

[[noreturn]] void OnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
    if (level < 0) reinterpret_cast<ErrorManager*>(info->err)->warning = true;
}

// The rows of a started decode, band by band; false when it stopped early.
bool ReadRows(jpeg_decompress_struct& info, const JpegFrame::RowAt& rowAt,
              const JpegFrame::RowsDone& done) {
    JSAMPROW rows[kBand];
    while (info.output_scanline < info.output_height) {
        const int first = int(info.output_scanline);
        const int count = std::min(kBand, int(info.output_height) - first);
        for (int i = 0; i < count; ++i) rows[i] = rowAt(first + i);
        const int got = int(jpeg_read_scanlines(&info, rows, JDIMENSION(count)));
        if (got <= 0) return false;
        done(first, got);
    }
    return true;
}

// TurboJPEG's settings for TJFLAG_FASTDCT, in bands. Nothing that needs destroying may
// live in this frame: an error jumps back to the setjmp.
bool DecodeScanlines(const guint8* data, gsize size, int width, int height, int bitCount,
                     const JpegFrame::RowAt& rowAt, const JpegFrame::RowsDone& done) {
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = OnError;
    errors.pub.emit_message = OnMessage;
    errors.warning = false;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (int(info.image_width) != width || int(info.image_height) != height) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = bitCount == 32 ? JCS_EXT_BGRX : JCS_EXT_BGR;
    info.dct_method = JDCT_FASTEST;
    jpeg_start_decompress(&info);
    const bool whole = ReadRows(info, rowAt, done);
    if (whole) jpeg_finish_decompress(&info);
    const bool clean = whole && !errors.warning;
    jpeg_destroy_decompress(&info);
    return clean;
}

}  // namespace

JpegFrame::JpegFrame(GstBuffer* jpeg, int width, int height, int bitCount)
    : jpeg_(gst_buffer_copy_deep(jpeg)), width_(width), height_(height), bitCount_(bitCount) {}

JpegFrame::~JpegFrame() {
    if (jpeg_) gst_buffer_unref(jpeg_);
}

int JpegFrame::DecodeDibWith(void* decoder, const guint8* jpeg, gsize size, BYTE* dib, int width,
                             int height, int bitCount) {
    return tjDecompress2(static_cast<tjhandle>(decoder), jpeg, static_cast<unsigned long>(size),
                         dib, width, DibStride(width, bitCount), height,
                         bitCount == 32 ? TJPF_BGRX : TJPF_BGR, TJFLAG_BOTTOMUP | TJFLAG_FASTDCT);
}

bool JpegFrame::DecodeDib(BYTE* dib) const {
    thread_local struct Decoder {
        tjhandle handle = tjInitDecompress();
        ~Decoder() {
            if (handle) tjDestroy(handle);
        }
    } decoder;
    GstMapInfo map;
    if (!decoder.handle || !jpeg_ || !gst_buffer_map(jpeg_, &map, GST_MAP_READ)) return false;
    const int result =
        DecodeDibWith(decoder.handle, map.data, map.size, dib, width_, height_, bitCount_);
    gst_buffer_unmap(jpeg_, &map);
    return result == 0;
}

bool JpegFrame::DecodeBands(const RowAt& rowAt, const RowsDone& done) const {
    GstMapInfo map;
    if (!jpeg_ || !gst_buffer_map(jpeg_, &map, GST_MAP_READ)) return false;
    const bool whole = map.size > 0 &&
                       DecodeScanlines(map.data, map.size, width_, height_, bitCount_, rowAt, done);
    gst_buffer_unmap(jpeg_, &map);
    return whole;
}

void JpegFrame::Attach(GstBuffer* buffer, std::shared_ptr<const JpegFrame> frame) {
    auto* meta =
        reinterpret_cast<JpegFrameMeta*>(gst_buffer_add_meta(buffer, JpegFrameMetaInfo(), nullptr));
    if (meta) meta->frame = new std::shared_ptr<const JpegFrame>(std::move(frame));
}

std::shared_ptr<const JpegFrame> JpegFrame::Of(GstBuffer* buffer) {
    auto* meta = reinterpret_cast<JpegFrameMeta*>(gst_buffer_get_meta(buffer, JpegFrameMetaApi()));
    return meta && meta->frame ? *meta->frame : nullptr;
}
