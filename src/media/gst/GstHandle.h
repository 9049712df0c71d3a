// One owner per GStreamer reference. GstHandle<T> holds exactly one reference:
// GstHandle<T>::adopt takes over a reference the caller already owns (the result of a
// *_new, *_get_* "transfer full" call), GstHandle<T>::share adds one (a borrowed pointer).
// Floating references are sunk on share, so a new element is owned, not floating.
#pragma once

// WinTypes.h first: GLib defines TRUE/FALSE as macros.
#include "platform/WinTypes.h"

#include <gst/gst.h>

#include <utility>

inline void gstHandleRef(GstCaps* p) {
    gst_caps_ref(p);
}
inline void gstHandleUnref(GstCaps* p) {
    gst_caps_unref(p);
}
inline void gstHandleRef(GstBuffer* p) {
    gst_buffer_ref(p);
}
inline void gstHandleUnref(GstBuffer* p) {
    gst_buffer_unref(p);
}
inline void gstHandleRef(GstMessage* p) {
    gst_message_ref(p);
}
inline void gstHandleUnref(GstMessage* p) {
    gst_message_unref(p);
}
inline void gstHandleRef(GstEvent* p) {
    gst_event_ref(p);
}
inline void gstHandleUnref(GstEvent* p) {
    gst_event_unref(p);
}
inline void gstHandleRef(GstStructure*) = delete;
inline void gstHandleUnref(GstStructure* p) {
    gst_structure_free(p);
}
// Every GstObject (elements, pads, bins, buses, devices, monitors).
template <typename T>
void gstHandleRef(T* p) {
    gst_object_ref_sink(p);
}
template <typename T>
void gstHandleUnref(T* p) {
    gst_object_unref(p);
}

template <typename T>
class GstHandle {
public:
    GstHandle() = default;
    GstHandle(const GstHandle& other) : p_(other.p_) {
        if (p_) gstHandleRef(p_);
    }
    GstHandle(GstHandle&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~GstHandle() { reset(); }
    GstHandle& operator=(GstHandle other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }

    static GstHandle adopt(T* p) {
        GstHandle h;
        h.p_ = p;
        return h;
    }
    static GstHandle share(T* p) {
        GstHandle h;
        if (p) gstHandleRef(p);
        h.p_ = p;
        return h;
    }

    void reset() {
        if (T* old = std::exchange(p_, nullptr)) gstHandleUnref(old);
    }
    T* release() { return std::exchange(p_, nullptr); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// A new element from a factory, owned (its floating reference sunk). Empty on failure.
inline GstHandle<GstElement> MakeElement(const char* factory, const char* name = nullptr) {
    GstElement* e = gst_element_factory_make(factory, name);
    return e ? GstHandle<GstElement>::share(e) : GstHandle<GstElement>();
}
