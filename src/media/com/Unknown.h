// IUnknown and the reference counting every object of the layer shares.
#pragma once

#include <atomic>
#include <cstdint>

#include "media/com/Guids.h"
#include "media/com/Hresult.h"

using ULONG = std::uint32_t;

// Base of every interface. The destructor is virtual so that an object can be deleted
// through any interface; reference counting decides when that happens.
struct IUnknown {
    virtual ~IUnknown() = default;
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};

// Reference count of an object that starts with one reference, owned by its creator.
class RefCount {
public:
    ULONG increment() { return ++count_; }
    // Returns the count after the decrement; the caller deletes at 0.
    ULONG decrement() { return --count_; }

private:
    std::atomic<ULONG> count_{1};
};

// AddRef/Release for a class that holds a RefCount member named refs_.
#define LUMI_IMPLEMENT_REFCOUNT               \
    ULONG AddRef() override {                 \
        return refs_.increment();             \
    }                                         \
    ULONG Release() override {                \
        const ULONG left = refs_.decrement(); \
        if (left == 0) delete this;           \
        return left;                          \
    }

// Stores interface I of object in *out with a new reference.
template <typename I, typename T>
HRESULT ComHandOut(T* object, void** out) {
    I* result = object;
    result->AddRef();
    *out = result;
    return S_OK;
}
