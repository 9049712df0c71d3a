#include "media/filters/SampleGrabber.h"

#include "media/com/ComPtr.h"
#include "media/graph/MediaSample.h"
#include "media/graph/MediaType.h"

SampleGrabber::SampleGrabber() : GstFilter(CLSID_SampleGrabber, nullptr) {
    accept_ = addElement("capsfilter");
    if (!accept_) return;
    GstHandle<GstPad> in = GstHandle<GstPad>::adopt(gst_element_get_static_pad(accept_, "sink"));
    GstHandle<GstPad> out = GstHandle<GstPad>::adopt(gst_element_get_static_pad(accept_, "src"));
    gst_pad_add_probe(out.get(), GST_PAD_PROBE_TYPE_BUFFER, &SampleGrabber::onBuffer, this,
                      nullptr);
    addPin(L"Input", PINDIR_INPUT, GUID_NULL, in.get());
    addPin(L"Output", PINDIR_OUTPUT, GUID_NULL, out.get());
}

SampleGrabber::~SampleGrabber() {
    std::lock_guard lock(mutex_);
    if (callback_) callback_->Release();
    callback_ = nullptr;
}

HRESULT SampleGrabber::queryFilterInterface(REFIID riid, void** object) {
    if (riid == IID_ISampleGrabber) return ComHandOut<ISampleGrabber>(this, object);
    return GstFilter::queryFilterInterface(riid, object);
}

HRESULT SampleGrabber::SetOneShot(BOOL oneShot) {
    std::lock_guard lock(mutex_);
    oneShot_ = oneShot != FALSE;
    shotTaken_ = false;
    return S_OK;
}

HRESULT SampleGrabber::SetMediaType(const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    GstHandle<GstCaps> caps = CapsFromMediaType(*type);
    if (gst_caps_is_empty(caps.get())) return VFW_E_INVALIDMEDIATYPE;
    g_object_set(accept_, "caps", caps.get(), nullptr);
    return S_OK;
}

HRESULT SampleGrabber::GetConnectedMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    return pins().front()->ConnectionMediaType(type);
}

HRESULT SampleGrabber::SetCallback(ISampleGrabberCB* callback, LONG which) {
    if (which != 0 && which != 1) return E_INVALIDARG;
    if (callback) callback->AddRef();
    std::lock_guard lock(mutex_);
    if (callback_) callback_->Release();
    callback_ = callback;
    which_ = which;
    return S_OK;
}

void SampleGrabber::onGraphStarting() {
    shotTaken_ = false;
}

GstPadProbeReturn SampleGrabber::onBuffer(GstPad*, GstPadProbeInfo* info, gpointer self) {
    return static_cast<SampleGrabber*>(self)->handle(info);
}

GstPadProbeReturn SampleGrabber::handle(GstPadProbeInfo* info) {
    if (oneShot_ && shotTaken_.exchange(true)) return GST_PAD_PROBE_DROP;
    std::lock_guard lock(mutex_);
    if (!callback_) return GST_PAD_PROBE_OK;

    // Writable in place: a buffer shared with another branch is copied here, and only then.
    GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    const double seconds = GST_CLOCK_TIME_IS_VALID(pts) ? double(pts) / GST_SECOND : 0.0;
    // The sample maps the buffer; a SampleCB callback may keep it beyond this call, and
    // asks for the pixels (of an undecoded JPEG frame: decodes it) only if it needs them.
    auto sample = ComPtr<MediaSample>::adopt(new MediaSample(buffer));
    if (sample->GetActualDataLength() <= 0) return GST_PAD_PROBE_OK;
    if (which_ == 1) {
        BYTE* data = nullptr;
        if (SUCCEEDED(sample->GetPointer(&data)))
            callback_->BufferCB(seconds, data, sample->GetActualDataLength());
    } else {
        callback_->SampleCB(seconds, sample.get());
    }
    return GST_PAD_PROBE_OK;
}
