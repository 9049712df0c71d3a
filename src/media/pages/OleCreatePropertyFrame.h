// The system property frame: a modal dialog with one tab per page and OK, Cancel and Apply.
// Declared without widget headers so the capture engine can call it.
#pragma once

#include "media/com/ComRuntime.h"
#include "media/com/DShow.h"
#include "platform/LocaleId.h"

// Shows the pages (created from their class ids through CoCreateInstance) for the objects
// and returns when the user closes the frame (S_OK, after OK or Cancel alike).
// owner: the window the frame belongs to (a QWidget; null for none); x, y: the frame's
// top-left corner relative to the owner's client area (to the screen without an owner);
// caption: the frame's title (null or empty: "Properties"). The frame and its pages hold
// references to the objects while it is open. A page whose class is unknown or which does
// not accept the objects is left out; with no page left nothing is shown and the failure of
// the last page is returned (S_OK for an empty page list). E_POINTER for a missing array,
// E_UNEXPECTED without a widget application or off its thread.
HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount,
                               IUnknown** objects, ULONG pageCount, const CLSID* pages, LCID locale,
                               DWORD reserved, LPVOID reserved2);

// Registers the page classes of the capture sources (stream format, image controls, camera
// controls) with CoCreateInstance. Idempotent; OleCreatePropertyFrame calls it.
void RegisterPropertyPageClasses();
