#include "media/source/CaptureStreamConfig.h"

#include <algorithm>
#include <cstring>

#include "media/graph/MediaType.h"
#include "media/source/CaptureSourceFilter.h"

using lumi::devices::FrameRate;
using lumi::devices::PixelFormat;
using lumi::devices::V4l2Format;
using lumi::devices::VideoFormat;

namespace {

REFERENCE_TIME Interval(const FrameRate& rate) {
    return rate.numerator > 0 ? REFERENCE_TIME(10000000LL * rate.denominator / rate.numerator) : 0;
}

AM_MEDIA_TYPE* MediaTypeOf(const VideoFormat& format) {
    GstHandle<GstCaps> caps = GstHandle<GstCaps>::adopt(format.toCaps());
    AM_MEDIA_TYPE local{};
    if (!MediaTypeFromCaps(caps.get(), &local)) return nullptr;
    auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!mt) {
        FreeMediaType(local);
        return nullptr;
    }
    *mt = local;
    return mt;
}

}  // namespace

HRESULT CaptureStreamConfig::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IAMStreamConfig)
        return ComHandOut<IAMStreamConfig>(this, object);
    if (riid == IID_ISpecifyPropertyPages) return ComHandOut<ISpecifyPropertyPages>(this, object);
    if (riid == IID_IAMStreamFrameRates) return ComHandOut<IAMStreamFrameRates>(this, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CaptureStreamConfig::AddRef() {
    return filter_.AddRef();
}

ULONG CaptureStreamConfig::Release() {
    return filter_.Release();
}

HRESULT CaptureStreamConfig::SetFormat(AM_MEDIA_TYPE* mt) {
    if (!mt) return E_POINTER;
    if (!(mt->majortype == MEDIATYPE_Video) || !(mt->formattype == FORMAT_VideoInfo) ||
        !mt->pbFormat || mt->cbFormat < sizeof(VIDEOINFOHEADER))
        return VFW_E_INVALIDMEDIATYPE;
    VIDEOINFOHEADER vih;
    std::memcpy(&vih, mt->pbFormat, sizeof vih);
    VideoFormat format;
    if (mt->subtype == MEDIASUBTYPE_YUY2)
        format.pixelFormat = PixelFormat::Yuy2;
    else if (mt->subtype == MEDIASUBTYPE_MJPG)
        format.pixelFormat = PixelFormat::Mjpg;
    else
        return VFW_E_INVALIDMEDIATYPE;
    format.width = vih.bmiHeader.biWidth;
    format.height = vih.bmiHeader.biHeight < 0 ? -vih.bmiHeader.biHeight : vih.bmiHeader.biHeight;
    format.rate = FrameRate{0, 1};
    if (vih.AvgTimePerFrame > 0) {
        int num = 0, den = 1;
        RateFromInterval(vih.AvgTimePerFrame, &num, &den);
        format.rate = FrameRate{num, den};
    }
    return filter_.setFormat(format);
}

HRESULT CaptureStreamConfig::GetFormat(AM_MEDIA_TYPE** mt) {
    if (!mt) return E_POINTER;
    *mt = MediaTypeOf(filter_.currentFormat());
    return *mt ? S_OK : E_OUTOFMEMORY;
}

HRESULT CaptureStreamConfig::GetNumberOfCapabilities(int* count, int* size) {
    if (!count || !size) return E_POINTER;
    *count = int(filter_.formats().size());
    *size = int(sizeof(VIDEO_STREAM_CONFIG_CAPS));
    return S_OK;
}

HRESULT CaptureStreamConfig::GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) {
    if (!mt || !caps) return E_POINTER;
    *mt = nullptr;
    const auto& formats = filter_.formats();
    if (index < 0) return E_INVALIDARG;
    if (std::size_t(index) >= formats.size()) return S_FALSE;
    const V4l2Format& f = formats[std::size_t(index)];
    *mt = MediaTypeOf(f.defaultFormat());
    if (!*mt) return E_OUTOFMEMORY;

    VIDEO_STREAM_CONFIG_CAPS c{};
    c.guid = FORMAT_VideoInfo;
    c.InputSize = SIZE{f.width, f.height};
    c.MinCroppingSize = c.MaxCroppingSize = c.InputSize;
    c.CropGranularityX = c.CropGranularityY = 1;
    c.CropAlignX = c.CropAlignY = 1;
    c.MinOutputSize = SIZE{f.minWidth ? f.minWidth : f.width, f.minHeight ? f.minHeight : f.height};
    c.MaxOutputSize = SIZE{f.maxWidth ? f.maxWidth : f.width, f.maxHeight ? f.maxHeight : f.height};
    c.OutputGranularityX = std::max(1, f.widthStep);
    c.OutputGranularityY = std::max(1, f.heightStep);
    c.MinFrameInterval = Interval(f.maxRate);
    c.MaxFrameInterval = Interval(f.minRate);
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>((*mt)->pbFormat);
    const long long bits = 8LL * vih->bmiHeader.biSizeImage;
    c.MaxBitsPerSecond = LONG(std::min<long long>(0x7FFFFFFF, bits * f.maxRate.value()));
    c.MinBitsPerSecond = LONG(std::min<long long>(0x7FFFFFFF, bits * f.minRate.value()));
    std::memcpy(caps, &c, sizeof c);
    return S_OK;
}

HRESULT CaptureStreamConfig::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = CLSID_VideoStreamConfigPropertyPage;
    return S_OK;
}

HRESULT CaptureStreamConfig::GetFrameRateList(int index, LONG* count, REFERENCE_TIME** intervals) {
    if (!count || !intervals) return E_POINTER;
    *count = 0;
    *intervals = nullptr;
    const auto& formats = filter_.formats();
    if (index < 0) return E_INVALIDARG;
    if (std::size_t(index) >= formats.size()) return S_FALSE;
    const auto& rates = formats[std::size_t(index)].rates;
    if (rates.empty()) return S_OK;
    auto* list =
        static_cast<REFERENCE_TIME*>(CoTaskMemAlloc(rates.size() * sizeof(REFERENCE_TIME)));
    if (!list) return E_OUTOFMEMORY;
    for (const FrameRate& rate : rates) {
        if (rate.numerator > 0) list[(*count)++] = Interval(rate);
    }
    *intervals = list;
    return S_OK;
}
