// IAMStreamConfig of a capture source's capture output (with ISpecifyPropertyPages naming
// the stream-format page, and IAMStreamFrameRates for that page's rate list). It lives
// inside its filter and shares the filter's count.
#pragma once

#include "media/com/DShow.h"
#include "media/source/CameraSettings.h"

class CaptureSourceFilter;

class CaptureStreamConfig final : public IAMStreamConfig,
                                  public ISpecifyPropertyPages,
                                  public IAMStreamFrameRates {
public:
    explicit CaptureStreamConfig(CaptureSourceFilter& filter) : filter_(filter) {}

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IAMStreamConfig
    HRESULT SetFormat(AM_MEDIA_TYPE* mt) override;
    HRESULT GetFormat(AM_MEDIA_TYPE** mt) override;
    HRESULT GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) override;

    // ISpecifyPropertyPages
    HRESULT GetPages(CAUUID* pages) override;

    // IAMStreamFrameRates
    HRESULT GetFrameRateList(int index, LONG* count, REFERENCE_TIME** intervals) override;

private:
    CaptureSourceFilter& filter_;
};
