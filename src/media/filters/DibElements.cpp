#include "media/filters/DibElements.h"

#include <gst/base/gstbasetransform.h>
#include <gst/video/video.h>
#include <turbojpeg.h>

#include <cstring>

#include "media/filters/Yuy2ToRgb32.h"
#include "media/graph/JpegFrame.h"
#include "media/graph/MediaType.h"

namespace {

// Caps of the other side: same size, rate and aspect, another media type; for DIB caps the
// two formats both elements make, the first preferred: B, G, R bytes (RGB24) or B, G, R and
// one unused byte (RGB32). Other caps take any format.
GstCaps* RenameCaps(GstCaps* caps, const char* name, GstCaps* filter) {
    const bool dib = g_str_equal(name, kDibCapsName);
    GValue formatList = G_VALUE_INIT;
    if (dib) {
        g_value_init(&formatList, GST_TYPE_LIST);
        for (const char* format : {"BGR", "BGRx"}) {
            GValue value = G_VALUE_INIT;
            g_value_init(&value, G_TYPE_STRING);
            g_value_set_static_string(&value, format);
            gst_value_list_append_and_take_value(&formatList, &value);
        }
    }
    GstCaps* result = gst_caps_new_empty();
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure* in = gst_caps_get_structure(caps, i);
        GstStructure* out = gst_structure_new_empty(name);
        if (dib) gst_structure_set_value(out, "format", &formatList);
        for (const char* field : {"width", "height", "framerate", "pixel-aspect-ratio"}) {
            if (const GValue* v = gst_structure_get_value(in, field))
                gst_structure_set_value(out, field, v);
        }
        gst_caps_append_structure(result, out);
    }
    if (dib) g_value_unset(&formatList);
    result = gst_caps_simplify(result);
    if (filter) {
        GstCaps* narrowed = gst_caps_intersect_full(filter, result, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(result);
        result = narrowed;
    }
    return result;
}

bool SizeFromCaps(GstCaps* caps, int* width, int* height) {
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    return gst_structure_get_int(s, "width", width) && gst_structure_get_int(s, "height", height) &&
           *width > 0 && *height > 0;
}

// Bits per pixel of fixed DIB caps: 32 for BGRx, else 24.
int DibBitCount(GstCaps* caps) {
    const char* format = gst_structure_get_string(gst_caps_get_structure(caps, 0), "format");
    return format && g_str_equal(format, "BGRx") ? 32 : 24;
}

// The frame size of fixed DIB caps (0 when they have no size).
gsize DibFrameSize(GstCaps* caps) {
    int width = 0, height = 0;
    if (!SizeFromCaps(caps, &width, &height)) return 0;
    return gsize(DibStride(width, DibBitCount(caps))) * gsize(height);
}

gboolean DibTransformSize(GstBaseTransform*, GstPadDirection direction, GstCaps*, gsize,
                          GstCaps* othercaps, gsize* othersize) {
    if (direction != GST_PAD_SINK) return FALSE;
    *othersize = DibFrameSize(othercaps);
    return *othersize != 0;
}

// Output frames from a pool of the element's own when downstream offers none. Without one,
// every frame is a fresh frame-sized allocation: page faults on each, or memory the C
// library keeps per streaming thread, which grows the process at each rebuilt graph.
gboolean DecideAllocationWithPool(GstBaseTransform* base, GstQuery* query) {
    GstCaps* caps = nullptr;
    gst_query_parse_allocation(query, &caps, nullptr);
    if (caps && gst_query_get_n_allocation_pools(query) == 0 && DibFrameSize(caps) != 0) {
        // The base class makes the pool for an entry without one, with these figures.
        gst_query_add_allocation_pool(query, nullptr, guint(DibFrameSize(caps)), 2, 0);
    }
    auto* parent =
        static_cast<GstBaseTransformClass*>(g_type_class_peek_parent(G_OBJECT_GET_CLASS(base)));
    return parent->decide_allocation(base, query);
}

// What both elements make.
GstStaticPadTemplate dibSrcTemplate = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-dib, format={ BGR, BGRx }"));

// The class set-up both elements share: the pads (what the sink takes, DIB out), the
// description, the frame size of the DIB caps, the pool and no pass-through.
GstBaseTransformClass* InitDibClass(gpointer klass, GstStaticPadTemplate* sink, const char* name,
                                    const char* kind, const char* description) {
    auto* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(element, sink);
    gst_element_class_add_static_pad_template(element, &dibSrcTemplate);
    gst_element_class_set_static_metadata(element, name, kind, description, "Lumivisor");
    auto* base = GST_BASE_TRANSFORM_CLASS(klass);
    base->transform_size = DibTransformSize;
    base->decide_allocation = DecideAllocationWithPool;
    base->passthrough_on_same_caps = FALSE;
    return base;
}

// ---- lumijpegdibdec --------------------------------------------------------------------

struct JpegDibDec {
    GstBaseTransform parent;
    tjhandle decoder;
    int width;
    int height;
    int bitCount;
    gboolean deferred;
};

enum { kPropDeferred = 1 };
struct JpegDibDecClass {
    GstBaseTransformClass parent_class;
};

GType jpeg_dib_dec_get_type();
G_DEFINE_TYPE(JpegDibDec, jpeg_dib_dec, GST_TYPE_BASE_TRANSFORM)

GstStaticPadTemplate jpegSinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("image/jpeg"));

GstCaps* JpegTransformCaps(GstBaseTransform*, GstPadDirection direction, GstCaps* caps,
                           GstCaps* filter) {
    return RenameCaps(caps, direction == GST_PAD_SINK ? kDibCapsName : "image/jpeg", filter);
}

gboolean JpegSetCaps(GstBaseTransform* base, GstCaps* incaps, GstCaps* outcaps) {
    auto* self = reinterpret_cast<JpegDibDec*>(base);
    self->bitCount = DibBitCount(outcaps);
    return SizeFromCaps(incaps, &self->width, &self->height);
}

gboolean JpegStart(GstBaseTransform* base) {
    auto* self = reinterpret_cast<JpegDibDec*>(base);
    self->decoder = tjInitDecompress();
    return self->decoder != nullptr;
}

gboolean JpegStop(GstBaseTransform* base) {
    auto* self = reinterpret_cast<JpegDibDec*>(base);
    if (self->decoder) tjDestroy(self->decoder);
    self->decoder = nullptr;
    return TRUE;
}

// A frame that can be let through undecoded: its header describes exactly the negotiated
// size, and it ends (before any zero padding) with the end-of-image marker, which a cut
// frame lacks.
bool WholeJpeg(tjhandle decoder, const guint8* data, gsize size, int width, int height) {
    int w = 0, h = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(decoder, data, static_cast<unsigned long>(size), &w, &h, &subsampling,
                            &colorspace) != 0 ||
        w != width || h != height)
        return false;
    while (size > 0 && data[size - 1] == 0) --size;
    return size >= 4 && data[size - 2] == 0xFF && data[size - 1] == 0xD9;
}

GstFlowReturn JpegTransform(GstBaseTransform* base, GstBuffer* in, GstBuffer* out) {
    auto* self = reinterpret_cast<JpegDibDec*>(base);
    GstMapInfo src, dst;
    if (!gst_buffer_map(in, &src, GST_MAP_READ)) return GST_FLOW_ERROR;
    const int stride = DibStride(self->width, self->bitCount);
    int ok = -1;
    if (self->deferred) {
        // The pixels are left to whoever takes the frame (JpegFrame).
        if (gst_buffer_get_size(out) >= gsize(stride) * gsize(self->height) &&
            WholeJpeg(self->decoder, src.data, src.size, self->width, self->height)) {
            JpegFrame::Attach(out, std::make_shared<const JpegFrame>(in, self->width, self->height,
                                                                     self->bitCount));
            ok = 0;
        }
    } else if (gst_buffer_map(out, &dst, GST_MAP_WRITE)) {
        int w = 0, h = 0, subsampling = 0, colorspace = 0;
        // The header must describe exactly the negotiated size: nothing is scaled or cut.
        if (dst.size >= gsize(stride) * gsize(self->height) &&
            tjDecompressHeader3(self->decoder, src.data, src.size, &w, &h, &subsampling,
                                &colorspace) == 0 &&
            w == self->width && h == self->height)
            ok = JpegFrame::DecodeDibWith(self->decoder, src.data, src.size, dst.data, self->width,
                                          self->height, self->bitCount);
        gst_buffer_unmap(out, &dst);
    } else {
        gst_buffer_unmap(in, &src);
        return GST_FLOW_ERROR;
    }
    gst_buffer_unmap(in, &src);
    if (ok != 0) {
        GST_ELEMENT_WARNING(self, STREAM, DECODE, ("Corrupt JPEG frame dropped"), (nullptr));
        return GST_BASE_TRANSFORM_FLOW_DROPPED;
    }
    return GST_FLOW_OK;
}

void JpegSetProperty(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
    if (id == kPropDeferred)
        reinterpret_cast<JpegDibDec*>(object)->deferred = g_value_get_boolean(value);
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
}

void JpegGetProperty(GObject* object, guint id, GValue* value, GParamSpec* spec) {
    if (id == kPropDeferred)
        g_value_set_boolean(value, reinterpret_cast<JpegDibDec*>(object)->deferred);
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
}

void jpeg_dib_dec_class_init(JpegDibDecClass* klass) {
    auto* base = InitDibClass(klass, &jpegSinkTemplate, "JPEG to DIB decoder",
                              "Codec/Decoder/Video", "Decodes JPEG to bottom-up BGR or BGRx");
    base->transform_caps = JpegTransformCaps;
    base->set_caps = JpegSetCaps;
    base->start = JpegStart;
    base->stop = JpegStop;
    base->transform = JpegTransform;
    auto* object = G_OBJECT_CLASS(klass);
    object->set_property = JpegSetProperty;
    object->get_property = JpegGetProperty;
    g_object_class_install_property(
        object, kPropDeferred,
        g_param_spec_boolean("deferred", "Deferred",
                             "Let whole frames through undecoded, carried by a JpegFrame", FALSE,
                             GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
}

void jpeg_dib_dec_init(JpegDibDec* self) {
    self->decoder = nullptr;
    self->width = 0;
    self->height = 0;
    self->bitCount = 24;
    self->deferred = FALSE;
}

// ---- lumidibconvert --------------------------------------------------------------------

struct DibConvert {
    GstBaseTransform parent;
    GstVideoInfo in;
    GstVideoInfo out;
    GstVideoConverter* converter;  // null while the row converter below does the work
    bool byRows;
    Yuy2ToRgb32 rows;
};
struct DibConvertClass {
    GstBaseTransformClass parent_class;
};

GType dib_convert_get_type();
G_DEFINE_TYPE(DibConvert, dib_convert, GST_TYPE_BASE_TRANSFORM)

GstStaticPadTemplate convertSinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-raw"));

GstCaps* ConvertTransformCaps(GstBaseTransform*, GstPadDirection direction, GstCaps* caps,
                              GstCaps* filter) {
    return RenameCaps(caps, direction == GST_PAD_SINK ? kDibCapsName : "video/x-raw", filter);
}

void FreeConverter(DibConvert* self) {
    if (self->converter) gst_video_converter_free(self->converter);
    self->converter = nullptr;
    self->byRows = false;
}

gboolean ConvertSetCaps(GstBaseTransform* base, GstCaps* incaps, GstCaps* outcaps) {
    auto* self = reinterpret_cast<DibConvert*>(base);
    FreeConverter(self);
    self->byRows = false;
    int width = 0, height = 0;
    if (!gst_video_info_from_caps(&self->in, incaps) || !SizeFromCaps(outcaps, &width, &height) ||
        width != GST_VIDEO_INFO_WIDTH(&self->in) || height != GST_VIDEO_INFO_HEIGHT(&self->in))
        return FALSE;
    // GStreamer's rows are four-byte aligned for these formats, as a DIB's are.
    const GstVideoFormat format =
        DibBitCount(outcaps) == 32 ? GST_VIDEO_FORMAT_BGRx : GST_VIDEO_FORMAT_BGR;
    if (!gst_video_info_set_format(&self->out, format, guint(width), guint(height))) return FALSE;
    // The converter changes the pixels only: rate and aspect stay those of the input.
    GST_VIDEO_INFO_FPS_N(&self->out) = GST_VIDEO_INFO_FPS_N(&self->in);
    GST_VIDEO_INFO_FPS_D(&self->out) = GST_VIDEO_INFO_FPS_D(&self->in);
    GST_VIDEO_INFO_PAR_N(&self->out) = GST_VIDEO_INFO_PAR_N(&self->in);
    GST_VIDEO_INFO_PAR_D(&self->out) = GST_VIDEO_INFO_PAR_D(&self->in);
    // YUY2 to RGB32, the usual camera stream, in one pass of our own where it gives
    // GStreamer's pixels.
    const std::optional<Yuy2ToRgb32> rows = Yuy2ToRgb32::For(self->in);
    self->byRows = rows && format == GST_VIDEO_FORMAT_BGRx;
    if (self->byRows) {
        self->rows = *rows;
        return TRUE;
    }
    // videoconvert's settings, so that every pixel comes out as it would from videoconvert.
    GstStructure* config = gst_structure_new(
        "DibConvert", GST_VIDEO_CONVERTER_OPT_DITHER_METHOD, GST_TYPE_VIDEO_DITHER_METHOD,
        GST_VIDEO_DITHER_BAYER, GST_VIDEO_CONVERTER_OPT_DITHER_QUANTIZATION, G_TYPE_UINT, 1u,
        GST_VIDEO_CONVERTER_OPT_CHROMA_RESAMPLER_METHOD, GST_TYPE_VIDEO_RESAMPLER_METHOD,
        GST_VIDEO_RESAMPLER_METHOD_LINEAR, GST_VIDEO_CONVERTER_OPT_ALPHA_MODE,
        GST_TYPE_VIDEO_ALPHA_MODE, GST_VIDEO_ALPHA_MODE_COPY, GST_VIDEO_CONVERTER_OPT_CHROMA_MODE,
        GST_TYPE_VIDEO_CHROMA_MODE, GST_VIDEO_CHROMA_MODE_FULL, GST_VIDEO_CONVERTER_OPT_MATRIX_MODE,
        GST_TYPE_VIDEO_MATRIX_MODE, GST_VIDEO_MATRIX_MODE_FULL, GST_VIDEO_CONVERTER_OPT_GAMMA_MODE,
        GST_TYPE_VIDEO_GAMMA_MODE, GST_VIDEO_GAMMA_MODE_NONE,
        GST_VIDEO_CONVERTER_OPT_PRIMARIES_MODE, GST_TYPE_VIDEO_PRIMARIES_MODE,
        GST_VIDEO_PRIMARIES_MODE_NONE, GST_VIDEO_CONVERTER_OPT_THREADS, G_TYPE_UINT, 1u, nullptr);
    self->converter = gst_video_converter_new(&self->in, &self->out, config);
    return self->converter != nullptr;
}

gboolean ConvertStop(GstBaseTransform* base) {
    FreeConverter(reinterpret_cast<DibConvert*>(base));
    return TRUE;
}

// Converts and turns the frame bottom-up in one pass: the converter writes the output's
// rows from the last one in memory backwards.
GstFlowReturn ConvertTransform(GstBaseTransform* base, GstBuffer* in, GstBuffer* out) {
    auto* self = reinterpret_cast<DibConvert*>(base);
    if (!self->converter && !self->byRows) return GST_FLOW_NOT_NEGOTIATED;
    GstVideoFrame source;
    if (!gst_video_frame_map(&source, &self->in, in, GST_MAP_READ)) return GST_FLOW_ERROR;
    GstMapInfo dst;
    if (!gst_buffer_map(out, &dst, GST_MAP_WRITE)) {
        gst_video_frame_unmap(&source);
        return GST_FLOW_ERROR;
    }
    GstFlowReturn ret = GST_FLOW_ERROR;
    const gint stride = GST_VIDEO_INFO_PLANE_STRIDE(&self->out, 0);
    const gint height = GST_VIDEO_INFO_HEIGHT(&self->out);
    if (dst.size >= gsize(stride) * gsize(height) && self->byRows) {
        const auto* rows = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&source, 0));
        const gint inStride = GST_VIDEO_FRAME_PLANE_STRIDE(&source, 0);
        const gint width = GST_VIDEO_INFO_WIDTH(&self->out);
        for (gint row = 0; row < height; ++row)
            self->rows.Row(rows + gsize(row) * gsize(inStride),
                           dst.data + gsize(height - 1 - row) * gsize(stride), width);
        ret = GST_FLOW_OK;
    } else if (dst.size >= gsize(stride) * gsize(height)) {
        GstVideoFrame target{};
        target.info = self->out;
        target.info.stride[0] = -stride;
        target.buffer = out;
        target.data[0] = dst.data + gsize(stride) * gsize(height - 1);
        gst_video_converter_frame(self->converter, &source, &target);
        ret = GST_FLOW_OK;
    }
    gst_buffer_unmap(out, &dst);
    gst_video_frame_unmap(&source);
    return ret;
}

void dib_convert_finalize(GObject* object) {
    FreeConverter(reinterpret_cast<DibConvert*>(object));
    G_OBJECT_CLASS(dib_convert_parent_class)->finalize(object);
}

void dib_convert_class_init(DibConvertClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = dib_convert_finalize;
    auto* base =
        InitDibClass(klass, &convertSinkTemplate, "Raw video to DIB", "Filter/Converter/Video",
                     "Converts raw video to bottom-up BGR or BGRx");
    base->transform_caps = ConvertTransformCaps;
    base->set_caps = ConvertSetCaps;
    base->stop = ConvertStop;
    base->transform = ConvertTransform;
}

void dib_convert_init(DibConvert* self) {
    gst_video_info_init(&self->in);
    gst_video_info_init(&self->out);
    self->converter = nullptr;
    self->byRows = false;
}

}  // namespace

void RegisterDibElements() {
    static const bool registered = [] {
        gst_element_register(nullptr, kJpegDibDecoderFactory, GST_RANK_NONE,
                             jpeg_dib_dec_get_type());
        gst_element_register(nullptr, kDibConvertFactory, GST_RANK_NONE, dib_convert_get_type());
        return true;
    }();
    (void)registered;
}
