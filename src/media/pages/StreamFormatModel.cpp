#include "media/pages/StreamFormatModel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "media/com/ComPtr.h"
#include "media/graph/MediaType.h"
#include "media/pages/PageTexts.h"
#include "media/source/CameraSettings.h"

namespace lumi::pages {

namespace {

// Sizes offered inside a range of output sizes, smallest first.
constexpr std::array<SIZE, 12> kUsualSizes = {{{160, 120},
                                               {176, 144},
                                               {320, 240},
                                               {352, 288},
                                               {640, 360},
                                               {640, 480},
                                               {800, 600},
                                               {1024, 768},
                                               {1280, 720},
                                               {1280, 960},
                                               {1600, 1200},
                                               {1920, 1080}}};

bool Fits(const VIDEO_STREAM_CONFIG_CAPS& caps, LONG width, LONG height) {
    const int gx = std::max(1, caps.OutputGranularityX);
    const int gy = std::max(1, caps.OutputGranularityY);
    return width >= caps.MinOutputSize.cx && width <= caps.MaxOutputSize.cx &&
           height >= caps.MinOutputSize.cy && height <= caps.MaxOutputSize.cy &&
           (width - caps.MinOutputSize.cx) % gx == 0 && (height - caps.MinOutputSize.cy) % gy == 0;
}

std::vector<REFERENCE_TIME> IntervalsOf(const StreamCapability& capability) {
    std::vector<REFERENCE_TIME> intervals;
    if (!capability.intervals.empty()) {
        intervals = capability.intervals;
    } else {
        intervals = {capability.caps.MinFrameInterval, capability.caps.MaxFrameInterval};
    }
    intervals.erase(
        std::remove_if(intervals.begin(), intervals.end(), [](REFERENCE_TIME t) { return t <= 0; }),
        intervals.end());
    std::sort(intervals.begin(), intervals.end());
    intervals.erase(std::unique(intervals.begin(), intervals.end()), intervals.end());
    return intervals;
}

}  // namespace

StreamFormatModel::StreamFormatModel(const std::vector<StreamCapability>& capabilities) {
    for (std::size_t i = 0; i < capabilities.size(); ++i) {
        const StreamCapability& capability = capabilities[i];
        const VIDEO_STREAM_CONFIG_CAPS& caps = capability.caps;
        std::vector<SIZE> sizes;
        const bool range = caps.MinOutputSize.cx < caps.MaxOutputSize.cx ||
                           caps.MinOutputSize.cy < caps.MaxOutputSize.cy;
        if (range) {
            for (const SIZE& size : kUsualSizes) {
                if (Fits(caps, size.cx, size.cy)) sizes.push_back(size);
            }
            if (Fits(caps, caps.MaxOutputSize.cx, caps.MaxOutputSize.cy))
                sizes.push_back(caps.MaxOutputSize);
        } else {
            sizes.push_back(SIZE{capability.width, capability.height});
        }
        const std::vector<REFERENCE_TIME> intervals = IntervalsOf(capability);
        for (const SIZE& size : sizes) {
            if (size.cx <= 0 || size.cy <= 0) continue;
            if (find(capability.subtype, size.cx, size.cy) >= 0) continue;
            entries_.push_back(
                FormatEntry{int(i), capability.subtype, size.cx, size.cy, intervals});
        }
    }
}

HRESULT StreamFormatModel::read(IAMStreamConfig* config,
                                std::vector<StreamCapability>* capabilities) {
    if (!config || !capabilities) return E_POINTER;
    capabilities->clear();
    int count = 0;
    int size = 0;
    HRESULT hr = config->GetNumberOfCapabilities(&count, &size);
    if (FAILED(hr)) return hr;
    if (size < int(sizeof(VIDEO_STREAM_CONFIG_CAPS))) return E_UNEXPECTED;
    ComPtr<IAMStreamFrameRates> rates;
    config->QueryInterface(IID_IAMStreamFrameRates, rates.putVoid());
    std::vector<BYTE> buffer(static_cast<std::size_t>(size));
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* mt = nullptr;
        hr = config->GetStreamCaps(i, &mt, buffer.data());
        if (hr != S_OK || !mt) {
            if (mt) DeleteMediaType(mt);
            continue;
        }
        StreamCapability capability;
        capability.subtype = mt->subtype;
        std::memcpy(&capability.caps, buffer.data(), sizeof capability.caps);
        if (mt->formattype == FORMAT_VideoInfo && mt->pbFormat &&
            mt->cbFormat >= sizeof(VIDEOINFOHEADER)) {
            VIDEOINFOHEADER vih;
            std::memcpy(&vih, mt->pbFormat, sizeof vih);
            capability.width = vih.bmiHeader.biWidth;
            capability.height = std::abs(vih.bmiHeader.biHeight);
        }
        DeleteMediaType(mt);
        LONG n = 0;
        REFERENCE_TIME* list = nullptr;
        if (rates && rates->GetFrameRateList(i, &n, &list) == S_OK && list)
            capability.intervals.assign(list, list + std::max<LONG>(0, n));
        CoTaskMemFree(list);
        capabilities->push_back(std::move(capability));
    }
    return S_OK;
}

std::vector<GUID> StreamFormatModel::subtypes() const {
    std::vector<GUID> result;
    for (const FormatEntry& entry : entries_) {
        if (std::find(result.begin(), result.end(), entry.subtype) == result.end())
            result.push_back(entry.subtype);
    }
    return result;
}

std::vector<int> StreamFormatModel::entriesOf(const GUID& subtype) const {
    std::vector<int> result;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].subtype == subtype) result.push_back(int(i));
    }
    return result;
}

int StreamFormatModel::find(const GUID& subtype, int width, int height) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const FormatEntry& e = entries_[i];
        if (e.subtype == subtype && e.width == width && e.height == std::abs(height)) return int(i);
    }
    return -1;
}

REFERENCE_TIME StreamFormatModel::nearestInterval(const FormatEntry& entry,
                                                  REFERENCE_TIME interval) {
    if (entry.intervals.empty()) return 0;
    if (interval <= 0) return entry.intervals.front();
    REFERENCE_TIME best = entry.intervals.front();
    for (REFERENCE_TIME t : entry.intervals) {
        if (std::llabs(t - interval) < std::llabs(best - interval)) best = t;
    }
    return best;
}

QString StreamFormatModel::subtypeName(const GUID& subtype) {
    if (subtype == MEDIASUBTYPE_YUY2) return QStringLiteral("YUY2");
    if (subtype == MEDIASUBTYPE_MJPG) return QStringLiteral("MJPG");
    if (subtype == MEDIASUBTYPE_RGB24) return QStringLiteral("RGB24");
    QString name;
    for (int shift = 0; shift < 32; shift += 8) {
        const char c = char((subtype.Data1 >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) return QStringLiteral("?");
        name += QLatin1Char(c);
    }
    return name;
}

QString StreamFormatModel::sizeLabel(int width, int height) {
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

QString StreamFormatModel::rateLabel(REFERENCE_TIME interval) {
    if (interval <= 0) return PageText("variable", "переменная");
    const double rate = 1e7 / double(interval);
    // Two decimals at most, without trailing zeros: 30, 29.97, 7.5.
    QString number = QString::number(std::round(rate * 100.0) / 100.0, 'f', 2);
    while (number.endsWith(QLatin1Char('0'))) number.chop(1);
    if (number.endsWith(QLatin1Char('.'))) number.chop(1);
    return PageText("%1 fps", "%1 кадр/с").arg(number);
}

AM_MEDIA_TYPE* StreamFormatModel::mediaTypeFor(IAMStreamConfig* config, const FormatEntry& entry,
                                               REFERENCE_TIME interval) {
    if (!config) return nullptr;
    int count = 0;
    int size = 0;
    if (FAILED(config->GetNumberOfCapabilities(&count, &size)) ||
        size < int(sizeof(VIDEO_STREAM_CONFIG_CAPS)))
        return nullptr;
    std::vector<BYTE> caps(static_cast<std::size_t>(size));
    AM_MEDIA_TYPE* mt = nullptr;
    if (config->GetStreamCaps(entry.capsIndex, &mt, caps.data()) != S_OK || !mt) return nullptr;
    if (!(mt->formattype == FORMAT_VideoInfo) || !mt->pbFormat ||
        mt->cbFormat < sizeof(VIDEOINFOHEADER)) {
        DeleteMediaType(mt);
        return nullptr;
    }
    VIDEOINFOHEADER vih;
    std::memcpy(&vih, mt->pbFormat, sizeof vih);
    const LONG oldWidth = std::max<LONG>(1, vih.bmiHeader.biWidth);
    const LONG oldHeight = std::max<LONG>(1, std::abs(vih.bmiHeader.biHeight));
    const double scale = double(entry.width) * entry.height / (double(oldWidth) * oldHeight);
    vih.bmiHeader.biWidth = entry.width;
    vih.bmiHeader.biHeight = vih.bmiHeader.biHeight < 0 ? -entry.height : entry.height;
    vih.bmiHeader.biSizeImage = DWORD(std::llround(vih.bmiHeader.biSizeImage * scale));
    vih.rcSource = RECT{};
    vih.rcTarget = RECT{};
    if (interval > 0) vih.AvgTimePerFrame = interval;
    if (vih.AvgTimePerFrame > 0)
        vih.dwBitRate = DWORD(std::min<double>(
            4294967295.0, 8.0 * vih.bmiHeader.biSizeImage * 1e7 / double(vih.AvgTimePerFrame)));
    std::memcpy(mt->pbFormat, &vih, sizeof vih);
    if (mt->bFixedSizeSamples) mt->lSampleSize = vih.bmiHeader.biSizeImage;
    return mt;
}

}  // namespace lumi::pages
