#include "media/MediaSample.h"

MediaSample::MediaSample(BYTE* data, LONG size, REFERENCE_TIME start, REFERENCE_TIME end,
                         bool syncPoint)
    : data_(data), size_(size), actual_(size), start_(start), end_(end), syncPoint_(syncPoint) {}

HRESULT MediaSample::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMediaSample)
        return ComHandOut<IMediaSample>(this, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT MediaSample::GetPointer(BYTE** buffer) {
    if (!buffer) return E_POINTER;
    *buffer = data_;
    return data_ ? S_OK : VFW_E_BUFFER_NOTSET;
}

LONG MediaSample::GetSize() {
    return data_ ? size_ : 0;
}

HRESULT MediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
    if (!start || !end) return E_POINTER;
    *start = start_;
    *end = end_;
    return S_OK;
}

LONG MediaSample::GetActualDataLength() {
    return data_ ? actual_ : 0;
}

HRESULT MediaSample::SetActualDataLength(LONG length) {
    if (length < 0 || length > size_) return E_INVALIDARG;
    actual_ = length;
    return S_OK;
}

HRESULT MediaSample::IsSyncPoint() {
    return syncPoint_ ? S_OK : S_FALSE;
}

HRESULT MediaSample::GetMediaType(AM_MEDIA_TYPE** mt) {
    if (!mt) return E_POINTER;
    *mt = nullptr;
    return S_FALSE;  // the type did not change
}

void MediaSample::detach() {
    data_ = nullptr;
    size_ = 0;
    actual_ = 0;
}
