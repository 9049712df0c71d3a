// Enumerator over a snapshot of interface pointers (IEnumPins, IEnumFilters, IEnumMoniker).
#pragma once

#include <vector>

#include "media/com/ComPtr.h"

template <typename IEnum, typename I>
class ComEnumerator final : public IEnum {
public:
    ComEnumerator(REFIID enumIid, std::vector<ComPtr<I>> items)
        : enumIid_(enumIid), items_(std::move(items)) {}

    // A new enumerator with one reference, owned by the caller.
    static HRESULT create(REFIID enumIid, std::vector<ComPtr<I>> items, IEnum** out) {
        if (!out) return E_POINTER;
        *out = new ComEnumerator(enumIid, std::move(items));
        return S_OK;
    }

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == enumIid_) return ComHandOut<IEnum>(this, object);
        return E_NOINTERFACE;
    }
    LUMI_IMPLEMENT_REFCOUNT

    HRESULT Next(ULONG count, I** out, ULONG* fetched) override {
        if (!out) return E_POINTER;
        ULONG n = 0;
        while (n < count && next_ < items_.size()) items_[next_++].copyTo(&out[n++]);
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        next_ = 0;
        return S_OK;
    }

private:
    RefCount refs_;
    IID enumIid_;
    std::vector<ComPtr<I>> items_;
    std::size_t next_ = 0;
};
