#include "media/graph/MediaType.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr DWORD FourCC(char a, char b, char c, char d) {
    return DWORD(BYTE(a)) | DWORD(BYTE(b)) << 8 | DWORD(BYTE(c)) << 16 | DWORD(BYTE(d)) << 24;
}

// The RGB subtypes and their GStreamer format: B, G, R bytes, then one unused byte for RGB32.
const char* RgbFormat(const GUID& subtype) {
    if (subtype == MEDIASUBTYPE_RGB24) return "BGR";
    if (subtype == MEDIASUBTYPE_RGB32) return "BGRx";
    return nullptr;
}

const VIDEOINFOHEADER* VideoInfo(const AM_MEDIA_TYPE& mt) {
    if (mt.formattype == FORMAT_VideoInfo && mt.pbFormat && mt.cbFormat >= sizeof(VIDEOINFOHEADER))
        return reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
    return nullptr;
}

}  // namespace

void FreeMediaType(AM_MEDIA_TYPE& mt) {
    if (mt.cbFormat != 0 || mt.pbFormat) {
        CoTaskMemFree(mt.pbFormat);
        mt.cbFormat = 0;
        mt.pbFormat = nullptr;
    }
    if (mt.pUnk) {
        mt.pUnk->Release();
        mt.pUnk = nullptr;
    }
}

void DeleteMediaType(AM_MEDIA_TYPE* mt) {
    if (!mt) return;
    FreeMediaType(*mt);
    CoTaskMemFree(mt);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
    if (!target || !source) return E_POINTER;
    *target = *source;
    if (source->cbFormat != 0 && source->pbFormat) {
        target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
        if (!target->pbFormat) {
            target->cbFormat = 0;
            return E_OUTOFMEMORY;
        }
        std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
    } else {
        target->cbFormat = 0;
        target->pbFormat = nullptr;
    }
    if (target->pUnk) target->pUnk->AddRef();
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) {
    auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!mt) return nullptr;
    if (FAILED(CopyMediaType(mt, source))) {
        CoTaskMemFree(mt);
        return nullptr;
    }
    return mt;
}

void RateFromInterval(REFERENCE_TIME interval, int* numerator, int* denominator) {
    *numerator = 0;
    *denominator = 1;
    if (interval <= 0) return;
    const double rate = 1e7 / double(interval);
    const double whole = std::round(rate);
    const double ntsc = std::round(rate * 1.001);
    // Intervals are whole 100 ns units, so a rate is only near its true value.
    if (std::fabs(rate - whole) < 1e-3 * rate) {
        *numerator = int(whole);
    } else if (std::fabs(rate * 1.001 - ntsc) < 1e-3 * rate) {
        *numerator = int(ntsc) * 1000;
        *denominator = 1001;
    } else {
        gst_util_double_to_fraction(rate, numerator, denominator);
    }
}

int DibStride(int width, int bitCount) {
    return ((width * bitCount + 31) / 32) * 4;
}

GstHandle<GstCaps> CapsFromMediaType(const AM_MEDIA_TYPE& mt) {
    if (!(mt.majortype == MEDIATYPE_Video) && !(mt.majortype == GUID_NULL))
        return GstHandle<GstCaps>::adopt(gst_caps_new_empty());
    const VIDEOINFOHEADER* vih = VideoInfo(mt);
    GstCaps* caps = nullptr;
    if (const char* rgb = RgbFormat(mt.subtype)) {
        const bool topDown = vih && vih->bmiHeader.biHeight < 0;
        caps = gst_caps_new_simple(topDown ? "video/x-raw" : kDibCapsName, "format", G_TYPE_STRING,
                                   rgb, nullptr);
    } else if (mt.subtype == MEDIASUBTYPE_YUY2) {
        caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "YUY2", nullptr);
    } else if (mt.subtype == MEDIASUBTYPE_MJPG) {
        caps = gst_caps_new_empty_simple("image/jpeg");
    } else if (mt.subtype == GUID_NULL) {
        caps = gst_caps_from_string("video/x-raw; image/jpeg; video/x-dib");
        return GstHandle<GstCaps>::adopt(caps);
    } else {
        return GstHandle<GstCaps>::adopt(gst_caps_new_empty());
    }
    if (vih) {
        GstStructure* s = gst_caps_get_structure(caps, 0);
        if (vih->bmiHeader.biWidth > 0)
            gst_structure_set(s, "width", G_TYPE_INT, int(vih->bmiHeader.biWidth), nullptr);
        if (vih->bmiHeader.biHeight != 0) {
            const int h =
                vih->bmiHeader.biHeight < 0 ? -vih->bmiHeader.biHeight : vih->bmiHeader.biHeight;
            gst_structure_set(s, "height", G_TYPE_INT, h, nullptr);
        }
        if (vih->AvgTimePerFrame > 0) {
            // 100 ns units; whole-number rates and the NTSC-like ones stay exact.
            int num = 0, den = 1;
            RateFromInterval(vih->AvgTimePerFrame, &num, &den);
            gst_structure_set(s, "framerate", GST_TYPE_FRACTION, num, den, nullptr);
        }
    }
    return GstHandle<GstCaps>::adopt(caps);
}

GUID SubtypeFromCaps(const GstCaps* caps) {
    if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) return GUID_NULL;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    const char* name = gst_structure_get_name(s);
    const char* format = gst_structure_get_string(s, "format");
    if (g_str_equal(name, "image/jpeg")) return MEDIASUBTYPE_MJPG;
    const bool rgb32 = format && g_str_equal(format, "BGRx");
    if (g_str_equal(name, kDibCapsName)) return rgb32 ? MEDIASUBTYPE_RGB32 : MEDIASUBTYPE_RGB24;
    if (g_str_equal(name, "video/x-raw") && format) {
        if (g_str_equal(format, "BGR")) return MEDIASUBTYPE_RGB24;
        if (rgb32) return MEDIASUBTYPE_RGB32;
        if (g_str_equal(format, "YUY2")) return MEDIASUBTYPE_YUY2;
    }
    return GUID_NULL;
}

bool MediaTypeFromCaps(const GstCaps* caps, AM_MEDIA_TYPE* mt) {
    if (!mt || !caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) return false;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    int width = 0, height = 0;
    if (!gst_structure_get_int(s, "width", &width) ||
        !gst_structure_get_int(s, "height", &height) || width <= 0 || height <= 0)
        return false;
    const GUID subtype = SubtypeFromCaps(caps);
    if (subtype == GUID_NULL) return false;
    const bool topDown = g_str_equal(gst_structure_get_name(s), "video/x-raw");

    auto* vih = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (!vih) return false;
    *vih = VIDEOINFOHEADER{};
    vih->rcSource = RECT{0, 0, width, height};
    vih->rcTarget = vih->rcSource;
    gint num = 0, den = 1;
    if (gst_structure_get_fraction(s, "framerate", &num, &den) && num > 0)
        vih->AvgTimePerFrame = REFERENCE_TIME(10000000LL * den / num);
    BITMAPINFOHEADER& bmi = vih->bmiHeader;
    bmi.biSize = sizeof(BITMAPINFOHEADER);
    bmi.biWidth = width;
    bmi.biHeight = height;
    bmi.biPlanes = 1;
    bool fixedSize = true;
    if (RgbFormat(subtype)) {
        bmi.biBitCount = subtype == MEDIASUBTYPE_RGB32 ? 32 : 24;
        bmi.biCompression = BI_RGB;
        bmi.biSizeImage = DWORD(DibStride(width, bmi.biBitCount) * height);
        if (topDown) bmi.biHeight = -height;
    } else if (subtype == MEDIASUBTYPE_YUY2) {
        bmi.biBitCount = 16;
        bmi.biCompression = FourCC('Y', 'U', 'Y', '2');
        bmi.biSizeImage = DWORD(width * 2 * height);
    } else {
        bmi.biBitCount = 24;
        bmi.biCompression = FourCC('M', 'J', 'P', 'G');
        bmi.biSizeImage = DWORD(width * 3 * height);
        fixedSize = false;
    }
    if (vih->AvgTimePerFrame > 0)
        vih->dwBitRate = DWORD(std::min<long long>(
            0xFFFFFFFFLL, 8LL * bmi.biSizeImage * 10000000LL / vih->AvgTimePerFrame));

    *mt = AM_MEDIA_TYPE{};
    mt->majortype = MEDIATYPE_Video;
    mt->subtype = subtype;
    mt->bFixedSizeSamples = fixedSize ? TRUE : FALSE;
    mt->bTemporalCompression = FALSE;
    mt->lSampleSize = fixedSize ? bmi.biSizeImage : 0;
    mt->formattype = FORMAT_VideoInfo;
    mt->cbFormat = sizeof(VIDEOINFOHEADER);
    mt->pbFormat = reinterpret_cast<BYTE*>(vih);
    return true;
}
