#include "media/source/CaptureSourceFilter.h"

#include <algorithm>
#include <cmath>

#include "media/devices/CameraButtonLocator.h"
#include "media/graph/FilterGraph.h"
#include "media/graph/MediaType.h"

using lumi::devices::DeviceInfo;
using lumi::devices::V4l2Format;
using lumi::devices::V4l2Formats;
using lumi::devices::VideoFormat;
using lumi::devices::VirtualCamera;

ComPtr<CaptureSourceFilter> CaptureSourceFilter::fromDevice(const DeviceInfo& device) {
    GstElement* element = device.createElement();
    if (!element) return {};
    Options options;
    options.devicePath = device.devicePath;
    if (device.isVirtual) {
        VirtualCamera camera = VirtualCamera::fromElement(element);
        options.stillPin = camera.valid() && camera.hasStillPin();
    } else if (!device.devicePath.empty()) {
        // The snapshot button, where its input device can be opened; else no still pin.
        options.buttonFd = lumi::devices::CameraButtonLocator().openInput(device.devicePath);
    }
    auto formats = V4l2Formats::fromCaps(device.caps.get());
    return ComPtr<CaptureSourceFilter>::adopt(
        new CaptureSourceFilter(element, std::move(formats), options));
}

CaptureSourceFilter::CaptureSourceFilter(GstElement* source, std::vector<V4l2Format> formats,
                                         const Options& options)
    : GstFilter(GUID_NULL, nullptr),
      formats_(std::move(formats)),
      devicePath_(options.devicePath),
      streamConfig_(*this) {
    auto button = options.buttonFd >= 0
                      ? std::make_unique<lumi::devices::CameraButton>(options.buttonFd)
                      : nullptr;
    if (!source) return;
    source_ = source;
    gst_bin_add(GST_BIN(bin()), source);  // the bin takes the floating reference
    camera_ = VirtualCamera::fromElement(source);
    if (!formats_.empty()) current_ = formats_.front().defaultFormat();

    GstHandle<GstPad> capture = GstHandle<GstPad>::adopt(gst_element_get_static_pad(source, "src"));
    if (!capture) return;
    captureFormat_ = addElement("capsfilter");
    std::vector<std::pair<std::wstring, GUID>> outputs = {{L"Capture", PIN_CATEGORY_CAPTURE}};
    if (options.previewPin) outputs.emplace_back(L"Preview", PIN_CATEGORY_PREVIEW);
    capturePin_ = addOutput(capture.get(), captureFormat_, outputs);

    GstHandle<GstPad> still;
    if (options.stillPin) {
        still = GstHandle<GstPad>::adopt(gst_element_get_static_pad(source, "still"));
    } else if (button) {
        buttonStill_ = std::make_unique<lumi::devices::CameraButtonStill>(
            GST_BIN(bin()), capture.get(), std::move(button));
        still = GstHandle<GstPad>::share(buttonStill_->pad());
    }
    if (still) {
        stillFormat_ = addElement("capsfilter");
        stillPin_ = addOutput(still.get(), stillFormat_, {{L"Still", PIN_CATEGORY_STILL}});
    }
    setFormat(current_);
}

GraphPin* CaptureSourceFilter::addOutput(GstPad* sourcePad, GstElement* formatFilter,
                                         const std::vector<std::pair<std::wstring, GUID>>& pins) {
    // source -> format -> tee: an output nobody connected drops its frames.
    GstElement* tee = addElement("tee");
    if (!formatFilter || !tee) return nullptr;
    g_object_set(tee, "allow-not-linked", TRUE, nullptr);
    GstHandle<GstPad> formatSink =
        GstHandle<GstPad>::adopt(gst_element_get_static_pad(formatFilter, "sink"));
    gst_pad_link(sourcePad, formatSink.get());
    gst_element_link(formatFilter, tee);
    GraphPin* first = nullptr;
    for (const auto& [name, category] : pins) {
        // The tee keeps its request pad; this handle drops the reference handed out.
        GstHandle<GstPad> teePad =
            GstHandle<GstPad>::adopt(gst_element_request_pad_simple(tee, "src_%u"));
        GraphPin* pin = addPin(name, PINDIR_OUTPUT, category, teePad.get());
        if (!first) first = pin;
    }
    return first;
}

bool CaptureSourceFilter::formatSettled() const {
    GstHandle<GstPad> capture =
        GstHandle<GstPad>::adopt(source_ ? gst_element_get_static_pad(source_, "src") : nullptr);
    return !capture || gst_pad_has_current_caps(capture.get());
}

HRESULT CaptureSourceFilter::queryFilterInterface(REFIID riid, void** object) {
    if (riid == IID_ISpecifyPropertyPages) return ComHandOut<ISpecifyPropertyPages>(this, object);
    if (riid == IID_IAMVideoControl && stillPin_ && !buttonStill_)
        return ComHandOut<IAMVideoControl>(this, object);
    if (riid == IID_ICameraControls && controls()) return ComHandOut<ICameraControls>(this, object);
    return GstFilter::queryFilterInterface(riid, object);
}

HRESULT CaptureSourceFilter::queryPinInterface(GraphPin& pin, REFIID riid, void** object) {
    if (&pin == capturePin_ && (riid == IID_IAMStreamConfig || riid == IID_ISpecifyPropertyPages))
        return streamConfig_.QueryInterface(riid, object);
    return GstFilter::queryPinInterface(pin, riid, object);
}

HRESULT CaptureSourceFilter::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    // The image page always; the camera page where the device has optics/exposure controls.
    std::vector<GUID> ids = {CLSID_VideoProcAmpPropertyPage};
    if (lumi::devices::ControlAccess* access = controls()) {
        for (const auto& c : access->controls()) {
            if (c.group == lumi::devices::ControlGroup::Camera) {
                ids.push_back(CLSID_CameraControlPropertyPage);
                break;
            }
        }
    }
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID) * ids.size()));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = ULONG(ids.size());
    std::copy(ids.begin(), ids.end(), pages->pElems);
    return S_OK;
}

HRESULT CaptureSourceFilter::SetMode(IPin* pin, LONG mode) {
    if (!pin) return E_POINTER;
    if (dynamic_cast<GraphPin*>(pin) != stillPin_ || !stillPin_) return E_INVALIDARG;
    if (mode & ~VideoControlFlag_Trigger) return E_INVALIDARG;
    if (!(mode & VideoControlFlag_Trigger)) return S_OK;
    std::lock_guard lock(mutex_);
    // One still image; a still output nobody connected has nowhere to send it.
    if (!stillPin_->peer()) return VFW_E_NOT_CONNECTED;
    return camera_.valid() && camera_.trigger() ? S_OK : E_FAIL;
}

VideoFormat CaptureSourceFilter::currentFormat() const {
    std::lock_guard lock(mutex_);
    return current_;
}

HRESULT CaptureSourceFilter::setFormat(const VideoFormat& wanted) {
    if (!captureFormat_) return E_UNEXPECTED;
    GstState state = GST_STATE_NULL;
    gst_element_get_state(bin(), &state, nullptr, 0);
    if (state > GST_STATE_READY) return VFW_E_NOT_STOPPED;

    const V4l2Format* match = nullptr;
    for (const V4l2Format& f : formats_) {
        const bool size = f.isSizeRange()
                              ? wanted.width >= f.minWidth && wanted.width <= f.maxWidth &&
                                    wanted.height >= f.minHeight && wanted.height <= f.maxHeight &&
                                    (wanted.width - f.minWidth) % std::max(1, f.widthStep) == 0 &&
                                    (wanted.height - f.minHeight) % std::max(1, f.heightStep) == 0
                              : wanted.width == f.width && wanted.height == f.height;
        if (f.pixelFormat == wanted.pixelFormat && size) {
            match = &f;
            break;
        }
    }
    if (!match) return VFW_E_INVALIDMEDIATYPE;
    VideoFormat chosen = wanted;
    if (wanted.rate.numerator <= 0) {
        chosen.rate = match->maxRate;
    } else {
        // The offered rate nearest to the one asked for (intervals are rounded to 100 ns).
        bool found = false;
        double best = 0;
        for (const auto& r : match->rates) {
            const double d = std::fabs(r.value() - wanted.rate.value());
            if (!found || d < best) {
                best = d;
                chosen.rate = r;
                found = true;
            }
        }
        if (!found || best > 0.01 * wanted.rate.value()) {
            const bool inRange = match->rates.size() == 2 &&
                                 wanted.rate.value() >= match->minRate.value() &&
                                 wanted.rate.value() <= match->maxRate.value();
            if (!inRange) return VFW_E_INVALIDMEDIATYPE;
            chosen.rate = wanted.rate;
        }
    }
    GstHandle<GstCaps> caps = GstHandle<GstCaps>::adopt(chosen.toCaps());
    g_object_set(captureFormat_, "caps", caps.get(), nullptr);
    if (stillFormat_) g_object_set(stillFormat_, "caps", caps.get(), nullptr);
    std::lock_guard lock(mutex_);
    current_ = chosen;
    return S_OK;
}

HRESULT CaptureSourceFilter::GetControls(std::vector<lumi::devices::ControlInfo>* list) {
    if (!list) return E_POINTER;
    list->clear();
    lumi::devices::ControlAccess* access = controls();
    if (!access) return E_FAIL;
    *list = access->controls();
    return S_OK;
}

HRESULT CaptureSourceFilter::GetValue(ULONG id, LONG* value) {
    if (!value) return E_POINTER;
    lumi::devices::ControlAccess* access = controls();
    const std::optional<int32_t> current = access ? access->control(id) : std::nullopt;
    if (!current) return E_PROP_ID_UNSUPPORTED;
    *value = *current;
    return S_OK;
}

HRESULT CaptureSourceFilter::SetValue(ULONG id, LONG value) {
    lumi::devices::ControlAccess* access = controls();
    return access && access->setControl(id, value) ? S_OK : E_INVALIDARG;
}

lumi::devices::ControlAccess* CaptureSourceFilter::controls() {
    if (camera_.valid()) return &camera_;
    if (devicePath_.empty()) return nullptr;
    std::lock_guard lock(mutex_);
    if (!v4l2_) v4l2_ = std::make_unique<lumi::devices::V4l2Device>(devicePath_);
    return v4l2_->isOpen() ? v4l2_.get() : nullptr;
}
