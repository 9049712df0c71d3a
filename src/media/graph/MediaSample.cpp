#include "media/graph/MediaSample.h"

#include <climits>

MediaSample::MediaSample(GstBuffer* buffer, REFERENCE_TIME start, REFERENCE_TIME end,
                         bool syncPoint)
    : buffer_(buffer), start_(start), end_(end), syncPoint_(syncPoint) {
    // Mapped for writing before the reference is taken: only a buffer with one owner is
    // writable.
    const bool mapped = gst_buffer_map(buffer_, &map_, GST_MAP_READWRITE);
    gst_buffer_ref(buffer_);
    if (mapped) {
        if (map_.size <= gsize(LONG_MAX)) {
            data_ = map_.data;
            size_ = actual_ = LONG(map_.size);
        } else {
            gst_buffer_unmap(buffer_, &map_);
            map_ = GstMapInfo{};
        }
    }
}

MediaSample::~MediaSample() {
    if (data_) gst_buffer_unmap(buffer_, &map_);
    gst_buffer_unref(buffer_);
}

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
