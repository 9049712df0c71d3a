#include "media/filters/Yuy2ToRgb32.h"

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A byte about 128 spread over 16 bits: (b ^ 0x80) * 257, as a signed value.
int Spread(int b) {
    const int x = b ^ 0x80;
    return std::int16_t(std::uint16_t((x << 8) | x));
}

int Scaled(int b, int multiplier) {
    return (Spread(b) * multiplier) >> 16;
}

std::uint8_t Channel(int value) {
    return std::uint8_t(std::clamp(value, -128, 127) + 128);
}

#if defined(__SSE2__)
// The same for eight values in 16-bit lanes.
__m128i Scaled(__m128i values, __m128i multiplier) {
    const __m128i x = _mm_xor_si128(values, _mm_set1_epi16(0x80));
    return _mm_mulhi_epi16(_mm_or_si128(_mm_slli_epi16(x, 8), x), multiplier);
}

// Both chroma values of eight pairs (u, with next and previous samples), for the even and
// the odd pixel of each.
void Chroma(__m128i u, __m128i next, __m128i previous, bool cosited, __m128i* even, __m128i* odd) {
    if (cosited) {
        *even = u;
        *odd = _mm_avg_epu16(u, next);
        return;
    }
    const __m128i three = _mm_add_epi16(_mm_add_epi16(u, u), u);
    const __m128i two = _mm_set1_epi16(2);
    *even = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(three, previous), two), 2);
    *odd = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(three, next), two), 2);
}
#endif

}  // namespace

std::optional<Yuy2ToRgb32> Yuy2ToRgb32::For(const GstVideoInfo& info) {
    if (GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_YUY2 || GST_VIDEO_INFO_WIDTH(&info) % 2 ||
        info.colorimetry.range != GST_VIDEO_COLOR_RANGE_16_235)
        return std::nullopt;
    const int site = info.chroma_site;
    if (site != GST_VIDEO_CHROMA_SITE_UNKNOWN && site != GST_VIDEO_CHROMA_SITE_JPEG &&
        site != GST_VIDEO_CHROMA_SITE_MPEG2)
        return std::nullopt;
    const bool cosited = site == GST_VIDEO_CHROMA_SITE_MPEG2;
    // The multipliers GStreamer's converter uses, found and checked against every Y, U, V.
    switch (info.colorimetry.matrix) {
        case GST_VIDEO_COLOR_MATRIX_BT601:
            return Yuy2ToRgb32{298, 409, 516, -100, -208, cosited};
        case GST_VIDEO_COLOR_MATRIX_BT709:
            return Yuy2ToRgb32{298, 459, 541, -55, -136, cosited};
        default:
            return std::nullopt;
    }
}

void Yuy2ToRgb32::Row(const std::uint8_t* in, std::uint8_t* out, int width) const {
    const int pairs = width / 2;
    const auto u = [&](int k) { return int(in[std::clamp(k, 0, pairs - 1) * 4 + 1]); };
    const auto v = [&](int k) { return int(in[std::clamp(k, 0, pairs - 1) * 4 + 3]); };
    int x = 0;
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi16(0x00FF);
    const __m128i my = _mm_set1_epi16(y), mvr = _mm_set1_epi16(vr), mub = _mm_set1_epi16(ub);
    const __m128i mug = _mm_set1_epi16(ug), mvg = _mm_set1_epi16(vg);
    const __m128i flip = _mm_set1_epi8(char(0x80)), opaque = _mm_set1_epi8(char(0xFF));
    for (; x + 16 <= width; x += 16) {
        const int k = x / 2;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x * 2));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x * 2 + 16));
        // Chroma bytes U0 V0 U1 V1 ... of the eight pairs, then U and V in 16-bit lanes.
        const __m128i c = _mm_packus_epi16(_mm_srli_epi16(a, 8), _mm_srli_epi16(b, 8));
        const __m128i cu = _mm_and_si128(c, low), cv = _mm_srli_epi16(c, 8);
        const __m128i nu = _mm_insert_epi16(_mm_srli_si128(cu, 2), u(k + 8), 7);
        const __m128i nv = _mm_insert_epi16(_mm_srli_si128(cv, 2), v(k + 8), 7);
        const __m128i pu = _mm_insert_epi16(_mm_slli_si128(cu, 2), u(k - 1), 0);
        const __m128i pv = _mm_insert_epi16(_mm_slli_si128(cv, 2), v(k - 1), 0);
        __m128i ue, uo, ve, vo;
        Chroma(cu, nu, pu, cosited, &ue, &uo);
        Chroma(cv, nv, pv, cosited, &ve, &vo);
        __m128i b8[2], g8[2], r8[2];
        for (int half = 0; half < 2; ++half) {
            const __m128i yy = _mm_and_si128(half == 0 ? a : b, low);
            const __m128i uu = half == 0 ? _mm_unpacklo_epi16(ue, uo) : _mm_unpackhi_epi16(ue, uo);
            const __m128i vv = half == 0 ? _mm_unpacklo_epi16(ve, vo) : _mm_unpackhi_epi16(ve, vo);
            const __m128i ty = Scaled(yy, my);
            r8[half] = _mm_adds_epi16(ty, Scaled(vv, mvr));
            g8[half] = _mm_adds_epi16(_mm_adds_epi16(ty, Scaled(uu, mug)), Scaled(vv, mvg));
            b8[half] = _mm_adds_epi16(ty, Scaled(uu, mub));
        }
        const __m128i r = _mm_xor_si128(_mm_packs_epi16(r8[0], r8[1]), flip);
        const __m128i g = _mm_xor_si128(_mm_packs_epi16(g8[0], g8[1]), flip);
        const __m128i bl = _mm_xor_si128(_mm_packs_epi16(b8[0], b8[1]), flip);
        const __m128i bgLow = _mm_unpacklo_epi8(bl, g), bgHigh = _mm_unpackhi_epi8(bl, g);
        const __m128i rxLow = _mm_unpacklo_epi8(r, opaque), rxHigh = _mm_unpackhi_epi8(r, opaque);
        auto* o = reinterpret_cast<__m128i*>(out + x * 4);
        _mm_storeu_si128(o, _mm_unpacklo_epi16(bgLow, rxLow));
        _mm_storeu_si128(o + 1, _mm_unpackhi_epi16(bgLow, rxLow));
        _mm_storeu_si128(o + 2, _mm_unpacklo_epi16(bgHigh, rxHigh));
        _mm_storeu_si128(o + 3, _mm_unpackhi_epi16(bgHigh, rxHigh));
    }
#endif
    for (; x < width; ++x) {
        const int k = x / 2;
        int cu, cv;
        if (cosited) {
            cu = x % 2 == 0 ? u(k) : (u(k) + u(k + 1) + 1) >> 1;
            cv = x % 2 == 0 ? v(k) : (v(k) + v(k + 1) + 1) >> 1;
        } else {
            const int other = x % 2 == 0 ? k - 1 : k + 1;
            cu = (3 * u(k) + u(other) + 2) >> 2;
            cv = (3 * v(k) + v(other) + 2) >> 2;
        }
        const int ty = Scaled(in[x * 2], y);
        std::uint8_t* p = out + x * 4;
        p[0] = Channel(ty + Scaled(cu, ub));
        p[1] = Channel(ty + Scaled(cu, ug) + Scaled(cv, vg));
        p[2] = Channel(ty + Scaled(cv, vr));
        p[3] = 0xFF;
    }
}
