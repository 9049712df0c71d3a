#include "media/devices/V4l2Formats.h"

#include <algorithm>
#include <optional>

namespace lumi::devices {

const char* fourccName(PixelFormat format) {
    return format == PixelFormat::Mjpg ? "MJPG" : "YUY2";
}

uint64_t VideoFormat::frameBytes() const {
    if (pixelFormat != PixelFormat::Yuy2 || width <= 0 || height <= 0) return 0;
    return uint64_t(width) * 2 * uint64_t(height);
}

GstCaps* VideoFormat::toCaps() const {
    GstCaps* caps =
        pixelFormat == PixelFormat::Mjpg
            ? gst_caps_new_empty_simple("image/jpeg")
            : gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "YUY2", nullptr);
    gst_caps_set_simple(caps, "width", G_TYPE_INT, width, "height", G_TYPE_INT, height, nullptr);
    if (rate.numerator > 0 && rate.denominator > 0)
        gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, rate.numerator, rate.denominator,
                            nullptr);
    return caps;
}

std::string VideoFormat::toString() const {
    return std::string(fourccName(pixelFormat)) + " " + std::to_string(width) + "x" +
           std::to_string(height) + " @" + std::to_string(rate.numerator) + "/" +
           std::to_string(rate.denominator);
}

namespace {

struct IntRange {
    int min = 0, max = 0, step = 1;
};

// An integer field: a fixed value or a range; lists take their extremes (step 1 would be
// wrong for them, so a list of sizes is expanded by the caller instead).
std::optional<IntRange> intField(const GstStructure* s, const char* name) {
    const GValue* v = gst_structure_get_value(s, name);
    if (!v) return std::nullopt;
    if (G_VALUE_HOLDS_INT(v)) {
        int x = g_value_get_int(v);
        return IntRange{x, x, 1};
    }
    if (GST_VALUE_HOLDS_INT_RANGE(v)) {
        IntRange r{gst_value_get_int_range_min(v), gst_value_get_int_range_max(v),
                   gst_value_get_int_range_step(v)};
        if (r.step <= 0) r.step = 1;
        return r;
    }
    return std::nullopt;
}

// The values of an integer field, or of a list of integers.
std::vector<IntRange> intFieldValues(const GstStructure* s, const char* name) {
    std::vector<IntRange> out;
    const GValue* v = gst_structure_get_value(s, name);
    if (!v) return out;
    if (GST_VALUE_HOLDS_LIST(v)) {
        for (guint i = 0; i < gst_value_list_get_size(v); ++i) {
            const GValue* e = gst_value_list_get_value(v, i);
            if (G_VALUE_HOLDS_INT(e)) out.push_back({g_value_get_int(e), g_value_get_int(e), 1});
        }
        return out;
    }
    if (auto r = intField(s, name)) out.push_back(*r);
    return out;
}

bool positive(const FrameRate& r) {
    return r.numerator > 0 && r.denominator > 0;
}

FrameRate fractionOf(const GValue* v) {
    return {gst_value_get_fraction_numerator(v), gst_value_get_fraction_denominator(v)};
}

// Rates of the "framerate" field: a fraction, a list of fractions or a fraction range.
// A missing field yields no rate; a 0/1 ("variable") rate is left out.
std::vector<FrameRate> ratesOf(const GstStructure* s, bool* isRange) {
    std::vector<FrameRate> out;
    *isRange = false;
    const GValue* v = gst_structure_get_value(s, "framerate");
    if (!v) return out;
    auto add = [&](const GValue* e) {
        if (GST_VALUE_HOLDS_FRACTION(e)) {
            FrameRate r = fractionOf(e);
            if (positive(r)) out.push_back(r);
        }
    };
    if (GST_VALUE_HOLDS_LIST(v)) {
        for (guint i = 0; i < gst_value_list_get_size(v); ++i) add(gst_value_list_get_value(v, i));
    } else if (GST_VALUE_HOLDS_FRACTION_RANGE(v)) {
        *isRange = true;
        add(gst_value_get_fraction_range_min(v));
        add(gst_value_get_fraction_range_max(v));
    } else {
        add(v);
    }
    return out;
}

// Pixel formats named by a structure: image/jpeg is MJPG; video/x-raw is YUY2 when its
// "format" field (a string or a list of strings) holds YUY2.
std::optional<PixelFormat> pixelFormatOf(const GstStructure* s) {
    if (gst_structure_has_name(s, "image/jpeg")) return PixelFormat::Mjpg;
    if (!gst_structure_has_name(s, "video/x-raw")) return std::nullopt;
    const GValue* v = gst_structure_get_value(s, "format");
    if (!v) return std::nullopt;
    auto isYuy2 = [](const GValue* e) {
        return G_VALUE_HOLDS_STRING(e) && g_strcmp0(g_value_get_string(e), "YUY2") == 0;
    };
    if (GST_VALUE_HOLDS_LIST(v)) {
        for (guint i = 0; i < gst_value_list_get_size(v); ++i)
            if (isYuy2(gst_value_list_get_value(v, i))) return PixelFormat::Yuy2;
        return std::nullopt;
    }
    return isYuy2(v) ? std::optional(PixelFormat::Yuy2) : std::nullopt;
}

double rateValue(const FrameRate& r) {
    return r.value();
}

void addRates(V4l2Format& f, const std::vector<FrameRate>& rates) {
    for (const FrameRate& r : rates) {
        // Equal rates written differently (60/2 and 30/1) are one rate.
        bool known = std::any_of(f.rates.begin(), f.rates.end(), [&](const FrameRate& k) {
            return int64_t(k.numerator) * r.denominator == int64_t(r.numerator) * k.denominator;
        });
        if (!known) f.rates.push_back(r);
    }
    std::stable_sort(f.rates.begin(), f.rates.end(), [](const FrameRate& a, const FrameRate& b) {
        return rateValue(a) > rateValue(b);
    });
    if (!f.rates.empty()) {
        f.maxRate = f.rates.front();
        f.minRate = f.rates.back();
    }
}

}  // namespace

std::vector<V4l2Format> V4l2Formats::fromCaps(const GstCaps* caps) {
    std::vector<V4l2Format> out;
    if (!caps || gst_caps_is_any(caps)) return out;
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        GstCapsFeatures* features = gst_caps_get_features(caps, i);
        if (features && !gst_caps_features_is_any(features) &&
            !gst_caps_features_is_equal(features, GST_CAPS_FEATURES_MEMORY_SYSTEM_MEMORY))
            continue;
        const GstStructure* s = gst_caps_get_structure(caps, i);
        std::optional<PixelFormat> pf = pixelFormatOf(s);
        if (!pf) continue;
        std::vector<IntRange> widths = intFieldValues(s, "width");
        std::vector<IntRange> heights = intFieldValues(s, "height");
        bool rateRange = false;
        std::vector<FrameRate> rates = ratesOf(s, &rateRange);
        if (widths.empty() || heights.empty() || rates.empty()) continue;
        // Lists of widths and heights pair up by position (a list of sizes written as two
        // lists); a single value or range pairs with each of the other list.
        size_t n = std::max(widths.size(), heights.size());
        if (widths.size() != heights.size() && widths.size() != 1 && heights.size() != 1) continue;
        for (size_t k = 0; k < n; ++k) {
            const IntRange& w = widths[widths.size() == 1 ? 0 : k];
            const IntRange& h = heights[heights.size() == 1 ? 0 : k];
            if (w.min <= 0 || h.min <= 0 || w.max < w.min || h.max < h.min) continue;
            auto same = [&](const V4l2Format& f) {
                return f.pixelFormat == *pf && f.minWidth == w.min && f.maxWidth == w.max &&
                       f.minHeight == h.min && f.maxHeight == h.max;
            };
            auto it = std::find_if(out.begin(), out.end(), same);
            if (it == out.end()) {
                V4l2Format f;
                f.pixelFormat = *pf;
                f.width = w.max;
                f.height = h.max;
                f.minWidth = w.min;
                f.maxWidth = w.max;
                f.widthStep = w.step;
                f.minHeight = h.min;
                f.maxHeight = h.max;
                f.heightStep = h.step;
                out.push_back(f);
                it = out.end() - 1;
            }
            addRates(*it, rates);
        }
    }
    return out;
}

std::vector<V4l2Format> V4l2Formats::fromCapsString(std::string_view caps) {
    std::string text(caps);
    auto parsed = GstHandle<GstCaps>::adopt(gst_caps_from_string(text.c_str()));
    if (!parsed) return {};
    return fromCaps(parsed.get());
}

}  // namespace lumi::devices
