// IMediaSample over one mapped GstBuffer, handed to SampleCB. The data is valid during
// the callback only: afterwards the sample reports VFW_E_BUFFER_NOTSET.
#pragma once

#include "media/DShow.h"

class MediaSample final : public IMediaSample {
public:
    MediaSample(BYTE* data, LONG size, REFERENCE_TIME start, REFERENCE_TIME end, bool syncPoint);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    LUMI_IMPLEMENT_REFCOUNT

    HRESULT GetPointer(BYTE** buffer) override;
    LONG GetSize() override;
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    LONG GetActualDataLength() override;
    HRESULT SetActualDataLength(LONG length) override;
    HRESULT IsSyncPoint() override;
    HRESULT GetMediaType(AM_MEDIA_TYPE** mt) override;

    // Ends the sample's access to the buffer.
    void detach();

private:
    RefCount refs_;
    BYTE* data_;
    LONG size_;
    LONG actual_;
    REFERENCE_TIME start_;
    REFERENCE_TIME end_;
    bool syncPoint_;
};
