// Sample Grabber: accepts only its media type and hands every sample to a callback on the
// streaming thread, in a buffer the callback may write: the writes travel on to the next
// filter. The buffer is copied only when it is shared with another branch (a tee). A
// SampleCB callback may AddRef the sample to keep the frame after the call.
#pragma once

#include <atomic>
#include <mutex>

#include "media/graph/GstFilter.h"

class SampleGrabber final : public GstFilter, public ISampleGrabber {
public:
    SampleGrabber();
    ~SampleGrabber() override;

    HRESULT QueryInterface(REFIID riid, void** object) override {
        return GstFilter::QueryInterface(riid, object);
    }
    ULONG AddRef() override { return GstFilter::AddRef(); }
    ULONG Release() override { return GstFilter::Release(); }

    // ISampleGrabber
    HRESULT SetOneShot(BOOL oneShot) override;
    HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override;
    HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT SetCallback(ISampleGrabberCB* callback, LONG which) override;

    void onGraphStarting() override;

protected:
    HRESULT queryFilterInterface(REFIID riid, void** object) override;

private:
    static GstPadProbeReturn onBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    GstPadProbeReturn handle(GstPadProbeInfo* info);

    GstElement* accept_ = nullptr;
    std::mutex mutex_;  // callback and mode
    ISampleGrabberCB* callback_ = nullptr;
    LONG which_ = 0;
    std::atomic<bool> oneShot_{false};
    std::atomic<bool> shotTaken_{false};
};
