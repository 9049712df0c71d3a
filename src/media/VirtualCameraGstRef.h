// One owner per GStreamer reference, for the device classes (virtual cameras, device
// monitor, format parsing). The rule, stated once: a GstRef adopts exactly one reference
// when constructed from a raw pointer (use GstRef::ref() to take a new one instead), and
// drops it when destroyed or reset. Floating references are sunk on adoption, so an
// element fresh from a factory is owned, not floating.
#pragma once

#include <gst/gst.h>

#include <utility>

namespace lumi::devices {

namespace detail {
template <typename T>
struct GstRefTraits {  // GstObject subclasses
    static void unref(T* p) { gst_object_unref(p); }
    static T* ref(T* p) { return static_cast<T*>(gst_object_ref(p)); }
    // A floating reference becomes a normal one; a normal one is adopted as it is.
    static T* sink(T* p) {
        return g_object_is_floating(p) ? static_cast<T*>(gst_object_ref_sink(p)) : p;
    }
};
template <>
struct GstRefTraits<GstCaps> {
    static void unref(GstCaps* p) { gst_caps_unref(p); }
    static GstCaps* ref(GstCaps* p) { return gst_caps_ref(p); }
    static GstCaps* sink(GstCaps* p) { return p; }
};
template <>
struct GstRefTraits<GstMessage> {
    static void unref(GstMessage* p) { gst_message_unref(p); }
    static GstMessage* ref(GstMessage* p) { return gst_message_ref(p); }
    static GstMessage* sink(GstMessage* p) { return p; }
};
template <>
struct GstRefTraits<GstSample> {
    static void unref(GstSample* p) { gst_sample_unref(p); }
    static GstSample* ref(GstSample* p) { return gst_sample_ref(p); }
    static GstSample* sink(GstSample* p) { return p; }
};
template <>
struct GstRefTraits<GstBuffer> {
    static void unref(GstBuffer* p) { gst_buffer_unref(p); }
    static GstBuffer* ref(GstBuffer* p) { return gst_buffer_ref(p); }
    static GstBuffer* sink(GstBuffer* p) { return p; }
};
}  // namespace detail

template <typename T>
class GstRef {
    using Traits = detail::GstRefTraits<T>;

public:
    GstRef() = default;
    // Adopts the reference held in p (sinking a floating one).
    explicit GstRef(T* p) : p_(p ? Traits::sink(p) : nullptr) {}
    // Takes a new reference on p; the caller keeps its own.
    static GstRef ref(T* p) {
        GstRef r;
        r.p_ = p ? Traits::ref(p) : nullptr;
        return r;
    }
    GstRef(const GstRef& o) : p_(o.p_ ? Traits::ref(o.p_) : nullptr) {}
    GstRef(GstRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    GstRef& operator=(GstRef o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~GstRef() { reset(); }

    void reset() {
        if (p_) Traits::unref(std::exchange(p_, nullptr));
    }
    // Gives the reference up to the caller.
    T* release() { return std::exchange(p_, nullptr); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

}  // namespace lumi::devices
