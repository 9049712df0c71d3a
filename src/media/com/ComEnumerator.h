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
    HRESULT Skip(ULONG count) override {
        const std::size_t left = items_.size() - next_;
        if (count > left) {
            next_ = items_.size();
            return S_FALSE;
        }
        next_ += count;
        return S_OK;
    }
    HRESULT Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnum** copy) override {
        if (!copy) return E_POINTER;
        auto* c = new ComEnumerator(enumIid_, items_);
        c->next_ = next_;
        *copy = c;
        return S_OK;
    }

private:
    RefCount refs_;
    IID enumIid_;
    std::vector<ComPtr<I>> items_;
    std::size_t next_ = 0;
};
