// Property pages and the frame's side of them, in the platform's shape, kept to what a
// modal frame with OK, Cancel and Apply needs. A page is a COM object created from its class
// id (CoCreateInstance), bound to the objects it edits with SetObjects, and shown inside a
// parent window (a QWidget handed over as HWND) by Activate.
//
// The frame's order: SetPageSite, SetObjects, Activate ... Apply (OK or Apply, when the page
// is dirty) ... Deactivate, SetObjects(0, nullptr), SetPageSite(nullptr). A page that acts on
// its objects at once (camera controls on a live picture) takes back, in Deactivate, what was
// not applied: Cancel closes the frame without Apply.
#pragma once

#include "media/com/ComRuntime.h"
#include "media/com/DShow.h"
#include "platform/LocaleId.h"

// IPropertyPageSite::OnStatusChange flags.
inline constexpr DWORD PROPPAGESTATUS_DIRTY = 0x1;
inline constexpr DWORD PROPPAGESTATUS_VALIDATE = 0x2;
inline constexpr DWORD PROPPAGESTATUS_CLEAN = 0x4;

struct PROPPAGEINFO {
    ULONG cb;
    LPOLESTR pszTitle;  // the tab's text (CoTaskMemAlloc; freed by the caller)
    SIZE size;          // preferred size in pixels
};

struct IPropertyPageSite : IUnknown {
    // A page reports that it became dirty (PROPPAGESTATUS_DIRTY) or clean.
    virtual HRESULT OnStatusChange(DWORD flags) = 0;
};

struct IPropertyPage : IUnknown {
    virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;
    // Creates the page's controls inside parent (a QWidget); E_INVALIDARG for another object.
    virtual HRESULT Activate(HWND parent, const RECT* rect, BOOL modal) = 0;
    // Removes the controls; what was changed and not applied is taken back.
    virtual HRESULT Deactivate() = 0;
    virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
    // Binds the page to the objects it edits (it holds references until SetObjects(0, nullptr));
    // E_NOINTERFACE when none of them offers what the page needs.
    virtual HRESULT SetObjects(ULONG count, IUnknown** objects) = 0;
    // S_OK when the page holds changes not yet applied, S_FALSE otherwise.
    virtual HRESULT IsPageDirty() = 0;
    // Makes the page's choices the objects' state; the page is clean afterwards.
    virtual HRESULT Apply() = 0;
};

#define LUMI_PAGE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
LUMI_PAGE_GUID(IID_IPropertyPageSite, 0xB196B28C, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00,
               0x34, 0x1D, 0x07);
LUMI_PAGE_GUID(IID_IPropertyPage, 0xB196B28D, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34,
               0x1D, 0x07);
#undef LUMI_PAGE_GUID

// The system property frame: a modal dialog with one tab per page and OK, Cancel and Apply.
// Shows the pages (created from their class ids through CoCreateInstance) for the objects
// and returns when the user closes the frame (S_OK, after OK or Cancel alike).
// owner: the window the frame belongs to (a QWidget; null for none); x, y: the frame's
// top-left corner relative to the owner's client area (to the screen without an owner);
// caption: the frame's title (null or empty: "Properties"). The frame and its pages hold
// references to the objects while it is open. A page whose class is unknown or which does
// not accept the objects is left out; with no page left nothing is shown and the failure of
// the last page is returned (S_OK for an empty page list). E_POINTER for a missing array,
// E_UNEXPECTED without a widget application or off its thread, or where no frame is
// registered (the widget layer registers its frame at the program's start).
HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount,
                               IUnknown** objects, ULONG pageCount, const CLSID* pages, LCID locale,
                               DWORD reserved, LPVOID reserved2);

// The frame OleCreatePropertyFrame shows (the runtime draws none itself).
using PropertyFrameFunction = HRESULT (*)(HWND owner, UINT x, UINT y, LPCOLESTR caption,
                                          ULONG objectCount, IUnknown** objects, ULONG pageCount,
                                          const CLSID* pages);
void CoRegisterPropertyFrame(PropertyFrameFunction frame);
