#include "media/graph/MediaSample.h"

#include <climits>

#include "media/graph/JpegFrame.h"
#include "media/graph/MediaType.h"

MediaSample::MediaSample(GstBuffer* buffer) : buffer_(buffer), jpeg_(JpegFrame::Of(buffer)) {
    // Mapped for writing before the reference is taken: only a buffer with one owner is
    // writable.
    const bool mapped = gst_buffer_map(buffer_, &map_, GST_MAP_READWRITE);
    gst_buffer_ref(buffer_);
    if (mapped) {
        if (map_.size <= gsize(LONG_MAX)) {
            data_ = map_.data;
            actual_ = LONG(map_.size);
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
    if (!data_) return VFW_E_BUFFER_NOTSET;
    if (!jpeg_) return S_OK;
    // The decoder checked the frame's header and end; damage inside its data shows only
    // when it is decoded, and such a frame has no pixels.
    std::call_once(decoded_, [this] {
        whole_ = std::size_t(actual_) >= std::size_t(DibStride(jpeg_->Width(), jpeg_->BitCount())) *
                                             std::size_t(jpeg_->Height()) &&
                 jpeg_->DecodeDib(data_);
    });
    if (whole_) return S_OK;
    *buffer = nullptr;
    return E_FAIL;
}

LONG MediaSample::GetActualDataLength() {
    return data_ ? actual_ : 0;
}
