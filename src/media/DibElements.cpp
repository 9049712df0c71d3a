#include "media/DibElements.h"

#include <gst/base/gstbasetransform.h>
#include <gst/video/video.h>
#include <turbojpeg.h>

#include <cstring>

#include "media/MediaType.h"

namespace {

// Caps of the other side: same size, rate and aspect, another media type.
GstCaps* RenameCaps(GstCaps* caps, const char* name, const char* format, GstCaps* filter) {
    GstCaps* result = gst_caps_new_empty();
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure* in = gst_caps_get_structure(caps, i);
        GstStructure* out = gst_structure_new_empty(name);
        if (format) gst_structure_set(out, "format", G_TYPE_STRING, format, nullptr);
        for (const char* field : {"width", "height", "framerate", "pixel-aspect-ratio"}) {
            if (const GValue* v = gst_structure_get_value(in, field))
                gst_structure_set_value(out, field, v);
        }
        gst_caps_append_structure(result, out);
    }
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

// Output frames from a pool of the element's own when downstream offers none. Without one,
// every frame is a fresh frame-sized allocation: page faults on each, or memory the C
// library keeps per streaming thread, which grows the process at each rebuilt graph.
gboolean DecideAllocationWithPool(GstBaseTransform* base, GstQuery* query) {
    GstCaps* caps = nullptr;
    gst_query_parse_allocation(query, &caps, nullptr);
    int width = 0, height = 0;
    if (caps && gst_query_get_n_allocation_pools(query) == 0 &&
        SizeFromCaps(caps, &width, &height)) {
        // The base class makes the pool for an entry without one, with these figures.
        gst_query_add_allocation_pool(query, nullptr, guint(DibStride(width, 24)) * guint(height),
                                      2, 0);
    }
    auto* parent =
        static_cast<GstBaseTransformClass*>(g_type_class_peek_parent(G_OBJECT_GET_CLASS(base)));
    return parent->decide_allocation(base, query);
}

// ---- lumijpegdibdec --------------------------------------------------------------------

struct JpegDibDec {
    GstBaseTransform parent;
    tjhandle decoder;
    int width;
    int height;
};
struct JpegDibDecClass {
    GstBaseTransformClass parent_class;
};

GType jpeg_dib_dec_get_type();
G_DEFINE_TYPE(JpegDibDec, jpeg_dib_dec, GST_TYPE_BASE_TRANSFORM)

GstStaticPadTemplate jpegSinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("image/jpeg"));
GstStaticPadTemplate jpegSrcTemplate = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-dib, format=(string)BGR"));

GstCaps* JpegTransformCaps(GstBaseTransform*, GstPadDirection direction, GstCaps* caps,
                           GstCaps* filter) {
    if (direction == GST_PAD_SINK) return RenameCaps(caps, kDibCapsName, "BGR", filter);
    return RenameCaps(caps, "image/jpeg", nullptr, filter);
}

gboolean JpegSetCaps(GstBaseTransform* base, GstCaps* incaps, GstCaps*) {
    auto* self = reinterpret_cast<JpegDibDec*>(base);
    return SizeFromCaps(incaps, &self->width, &self->height);
}

gboolean JpegTransformSize(GstBaseTransform*, GstPadDirection direction, GstCaps*, gsize,
                           GstCaps* othercaps, gsize* othersize) {
    if (direction != GST_PAD_SINK) return FALSE;
    int w = 0, h = 0;
    if (!SizeFromCaps(othercaps, &w, &h)) return FALSE;
    *othersize = gsize(DibStride(w, 24)) * gsize(h);
    return TRUE;
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

GstFlowReturn JpegTransform(GstBaseTransform* base, GstBuffer* in, GstBuffer* out) {
    auto* self = reinterpret_cast<JpegDibDec*>(base);
    GstMapInfo src, dst;
    if (!gst_buffer_map(in, &src, GST_MAP_READ)) return GST_FLOW_ERROR;
    if (!gst_buffer_map(out, &dst, GST_MAP_WRITE)) {
        gst_buffer_unmap(in, &src);
        return GST_FLOW_ERROR;
    }
    const int stride = DibStride(self->width, 24);
    int ok = -1;
    if (dst.size >= gsize(stride) * gsize(self->height)) {
        int w = 0, h = 0, subsampling = 0, colorspace = 0;
        // The header must describe exactly the negotiated size: nothing is scaled or cut.
        if (tjDecompressHeader3(self->decoder, src.data, src.size, &w, &h, &subsampling,
                                &colorspace) == 0 &&
            w == self->width && h == self->height)
            ok = tjDecompress2(self->decoder, src.data, src.size, dst.data, self->width, stride,
                               self->height, TJPF_BGR, TJFLAG_BOTTOMUP | TJFLAG_FASTDCT);
    }
    gst_buffer_unmap(out, &dst);
    gst_buffer_unmap(in, &src);
    if (ok != 0) {
        GST_ELEMENT_WARNING(self, STREAM, DECODE, ("Corrupt JPEG frame dropped"), (nullptr));
        return GST_BASE_TRANSFORM_FLOW_DROPPED;
    }
    return GST_FLOW_OK;
}

void jpeg_dib_dec_class_init(JpegDibDecClass* klass) {
    auto* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(element, &jpegSinkTemplate);
    gst_element_class_add_static_pad_template(element, &jpegSrcTemplate);
    gst_element_class_set_static_metadata(element, "JPEG to DIB decoder", "Codec/Decoder/Video",
                                          "Decodes JPEG to bottom-up BGR", "Lumivisor");
    auto* base = GST_BASE_TRANSFORM_CLASS(klass);
    base->transform_caps = JpegTransformCaps;
    base->set_caps = JpegSetCaps;
    base->transform_size = JpegTransformSize;
    base->start = JpegStart;
    base->stop = JpegStop;
    base->transform = JpegTransform;
    base->decide_allocation = DecideAllocationWithPool;
    base->passthrough_on_same_caps = FALSE;
}

void jpeg_dib_dec_init(JpegDibDec* self) {
    self->decoder = nullptr;
    self->width = 0;
    self->height = 0;
}

// ---- lumidibflip -----------------------------------------------------------------------

struct DibFlip {
    GstBaseTransform parent;
    GstVideoInfo info;
};
struct DibFlipClass {
    GstBaseTransformClass parent_class;
};

GType dib_flip_get_type();
G_DEFINE_TYPE(DibFlip, dib_flip, GST_TYPE_BASE_TRANSFORM)

GstStaticPadTemplate flipSinkTemplate = GST_STATIC_PAD_TEMPLATE(
    "sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-raw, format=(string)BGR"));
GstStaticPadTemplate flipSrcTemplate = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-dib, format=(string)BGR"));

GstCaps* FlipTransformCaps(GstBaseTransform*, GstPadDirection direction, GstCaps* caps,
                           GstCaps* filter) {
    if (direction == GST_PAD_SINK) return RenameCaps(caps, kDibCapsName, "BGR", filter);
    return RenameCaps(caps, "video/x-raw", "BGR", filter);
}

gboolean FlipSetCaps(GstBaseTransform* base, GstCaps* incaps, GstCaps*) {
    auto* self = reinterpret_cast<DibFlip*>(base);
    return gst_video_info_from_caps(&self->info, incaps);
}

gboolean FlipTransformSize(GstBaseTransform*, GstPadDirection direction, GstCaps*, gsize,
                           GstCaps* othercaps, gsize* othersize) {
    if (direction != GST_PAD_SINK) return FALSE;
    int w = 0, h = 0;
    if (!SizeFromCaps(othercaps, &w, &h)) return FALSE;
    *othersize = gsize(DibStride(w, 24)) * gsize(h);
    return TRUE;
}

GstFlowReturn FlipTransform(GstBaseTransform* base, GstBuffer* in, GstBuffer* out) {
    auto* self = reinterpret_cast<DibFlip*>(base);
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &self->info, in, GST_MAP_READ)) return GST_FLOW_ERROR;
    GstMapInfo dst;
    if (!gst_buffer_map(out, &dst, GST_MAP_WRITE)) {
        gst_video_frame_unmap(&frame);
        return GST_FLOW_ERROR;
    }
    const int width = GST_VIDEO_FRAME_WIDTH(&frame);
    const int height = GST_VIDEO_FRAME_HEIGHT(&frame);
    const int dstStride = DibStride(width, 24);
    const int srcStride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    const auto* src = static_cast<const guint8*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    GstFlowReturn ret = GST_FLOW_ERROR;
    if (dst.size >= gsize(dstStride) * gsize(height)) {
        for (int row = 0; row < height; ++row)
            std::memcpy(dst.data + gsize(height - 1 - row) * dstStride,
                        src + gsize(row) * srcStride, gsize(width) * 3);
        ret = GST_FLOW_OK;
    }
    gst_buffer_unmap(out, &dst);
    gst_video_frame_unmap(&frame);
    return ret;
}

void dib_flip_class_init(DibFlipClass* klass) {
    auto* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(element, &flipSinkTemplate);
    gst_element_class_add_static_pad_template(element, &flipSrcTemplate);
    gst_element_class_set_static_metadata(element, "BGR to DIB", "Filter/Converter/Video",
                                          "Reverses the rows of BGR frames into DIB order",
                                          "Lumivisor");
    auto* base = GST_BASE_TRANSFORM_CLASS(klass);
    base->transform_caps = FlipTransformCaps;
    base->set_caps = FlipSetCaps;
    base->transform_size = FlipTransformSize;
    base->transform = FlipTransform;
    base->decide_allocation = DecideAllocationWithPool;
    base->passthrough_on_same_caps = FALSE;
}

void dib_flip_init(DibFlip* self) {
    gst_video_info_init(&self->info);
}

}  // namespace

void RegisterDibElements() {
    static const bool registered = [] {
        gst_element_register(nullptr, kJpegDibDecoderFactory, GST_RANK_NONE,
                             jpeg_dib_dec_get_type());
        gst_element_register(nullptr, kDibFlipFactory, GST_RANK_NONE, dib_flip_get_type());
        return true;
    }();
    (void)registered;
}
