// The runtime calls of the object model: start-up, object creation over a registry of
// our classes, task memory, BSTR strings, VARIANT and code-page conversion.
#pragma once

#include <cstddef>
#include <functional>

#include "media/com/Unknown.h"
#include "platform/WinTypes.h"

using OLECHAR = wchar_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;
using LPVOID = void*;

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;

// Starts GStreamer once per process.
// Nested calls are counted; S_FALSE for all but the first, as on the platform.
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();

// Creates an instance of a registered class. CO_E_NOTINITIALIZED before CoInitialize,
// CLASS_E_NOAGGREGATION with an outer object, REGDB_E_CLASSNOTREG for an unknown class.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                         LPVOID* object);

// A class factory: creates one object and queries it for riid.
using ComClassFactory = std::function<HRESULT(REFIID riid, void** object)>;
// Adds or replaces a class in the registry. The rooms of the layer register theirs at the
// program's start (RegisterMediaClasses); the runtime itself knows none of them.
void CoRegisterClass(REFCLSID clsid, ComClassFactory factory);

// The factory of a class whose objects are made with new and start with one reference.
template <typename T>
HRESULT CreateComObject(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    auto* instance = new T();
    const HRESULT hr = instance->QueryInterface(riid, object);
    instance->Release();
    return hr;
}

LPVOID CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(LPVOID memory);

BSTR SysAllocString(LPCOLESTR text);
BSTR SysAllocStringLen(LPCOLESTR text, UINT length);
void SysFreeString(BSTR text);

// A task-memory copy of a wide string (for names handed out by QueryId and the like).
LPOLESTR CoTaskMemDupString(LPCOLESTR text);

using VARTYPE = std::uint16_t;
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;

struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    union {
        LONG lVal;
        BSTR bstrVal;
    };
    VARIANT() : bstrVal(nullptr) {}
};

void VariantInit(VARIANT* v);
HRESULT VariantClear(VARIANT* v);

// Code-page conversion; the ANSI code page here is UTF-8.
inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_UTF8 = 65001;
// Converts a wide string (length -1: up to and including its terminator). Returns the bytes
// written, 0 when the buffer is too small (nothing is left half-written beyond it).
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCOLESTR wide, int wideLength, char* buffer,
                        int bufferSize, const char* defaultChar, BOOL* usedDefault);
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length, OLECHAR* buffer,
                        int bufferSize);
