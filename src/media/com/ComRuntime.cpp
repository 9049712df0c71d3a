#include "media/com/ComRuntime.h"

#include <gst/gst.h>

#include <QByteArray>
#include <QString>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <mutex>

#include "media/com/PropertyPage.h"
#include "media/gst/GstLog.h"

namespace {

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const {
        return std::memcmp(&a, &b, sizeof(GUID)) < 0;
    }
};

struct Registry {
    std::mutex mutex;
    int initCount = 0;
    bool started = false;
    std::map<GUID, ComClassFactory, GuidLess> classes;
    PropertyFrameFunction frame = nullptr;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

HRESULT CoInitialize(LPVOID) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (!r.started) {
        GError* error = nullptr;
        if (!gst_init_check(nullptr, nullptr, &error)) {
            if (error) g_error_free(error);
            return E_FAIL;
        }
        RouteGStreamerLog();
        r.started = true;
    }
    return r.initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    // GStreamer cannot be started twice in one process, so it stays up; the count
    // only decides whether objects may still be created.
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (r.initCount > 0) --r.initCount;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID riid, LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    ComClassFactory factory;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        if (r.initCount == 0) return CO_E_NOTINITIALIZED;
        auto it = r.classes.find(clsid);
        if (it == r.classes.end()) return REGDB_E_CLASSNOTREG;
        factory = it->second;
    }
    if (outer) return CLASS_E_NOAGGREGATION;
    return factory(riid, object);
}

void CoRegisterClass(REFCLSID clsid, ComClassFactory factory) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.classes[clsid] = std::move(factory);
}

void CoRegisterPropertyFrame(PropertyFrameFunction frame) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.frame = frame;
}

HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount,
                               IUnknown** objects, ULONG pageCount, const CLSID* pages, LCID, DWORD,
                               LPVOID) {
    PropertyFrameFunction frame = nullptr;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        frame = r.frame;
    }
    if (!frame) return E_UNEXPECTED;
    return frame(owner, x, y, caption, objectCount, objects, pageCount, pages);
}

LPVOID CoTaskMemAlloc(std::size_t size) {
    return std::malloc(size == 0 ? 1 : size);
}

void CoTaskMemFree(LPVOID memory) {
    std::free(memory);
}

LPOLESTR CoTaskMemDupString(LPCOLESTR text) {
    if (!text) return nullptr;
    const std::size_t bytes = (std::wcslen(text) + 1) * sizeof(OLECHAR);
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (copy) std::memcpy(copy, text, bytes);
    return copy;
}

// A BSTR is preceded by its length in bytes and followed by a terminator.
BSTR SysAllocStringLen(LPCOLESTR text, UINT length) {
    auto* block = static_cast<std::uint32_t*>(
        std::malloc(sizeof(std::uint32_t) * 2 + (std::size_t(length) + 1) * sizeof(OLECHAR)));
    if (!block) return nullptr;
    block[1] = length * sizeof(OLECHAR);
    auto* chars = reinterpret_cast<OLECHAR*>(block + 2);
    if (text)
        std::memcpy(chars, text, length * sizeof(OLECHAR));
    else
        std::memset(chars, 0, length * sizeof(OLECHAR));
    chars[length] = 0;
    return chars;
}

BSTR SysAllocString(LPCOLESTR text) {
    if (!text) return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(std::wcslen(text)));
}

void SysFreeString(BSTR text) {
    if (text) std::free(reinterpret_cast<std::uint32_t*>(text) - 2);
}

void VariantInit(VARIANT* v) {
    if (!v) return;
    v->vt = VT_EMPTY;
    v->bstrVal = nullptr;
}

HRESULT VariantClear(VARIANT* v) {
    if (!v) return E_INVALIDARG;
    if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
    VariantInit(v);
    return S_OK;
}

int WideCharToMultiByte(UINT, DWORD, LPCOLESTR wide, int wideLength, char* buffer, int bufferSize,
                        const char*, BOOL* usedDefault) {
    if (usedDefault) *usedDefault = FALSE;
    if (!wide) return 0;
    const bool withTerminator = wideLength < 0;
    const qsizetype length = withTerminator ? qsizetype(std::wcslen(wide)) : wideLength;
    QByteArray bytes = QString::fromWCharArray(wide, length).toUtf8();
    const int needed = int(bytes.size()) + (withTerminator ? 1 : 0);
    if (bufferSize == 0) return needed;
    if (!buffer || needed > bufferSize) return 0;
    std::memcpy(buffer, bytes.constData(), std::size_t(bytes.size()));
    if (withTerminator) buffer[bytes.size()] = '\0';
    return needed;
}

int MultiByteToWideChar(UINT, DWORD, const char* text, int length, OLECHAR* buffer,
                        int bufferSize) {
    if (!text) return 0;
    const bool withTerminator = length < 0;
    QString s = QString::fromUtf8(text, withTerminator ? qsizetype(std::strlen(text)) : length);
    std::wstring wide = s.toStdWString();
    const int needed = int(wide.size()) + (withTerminator ? 1 : 0);
    if (bufferSize == 0) return needed;
    if (!buffer || needed > bufferSize) return 0;
    std::memcpy(buffer, wide.data(), wide.size() * sizeof(OLECHAR));
    if (withTerminator) buffer[wide.size()] = 0;
    return needed;
}
