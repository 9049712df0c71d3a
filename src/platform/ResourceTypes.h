// Resource descriptions as plain data: dialog templates (positions in dialog units, styles,
// window classes), menus and accelerator tables. The builders in this folder turn them into
// widgets; resources/ holds the program's own tables.
#pragma once

#include <QString>
#include <vector>

#include "platform/WinTypes.h"

// Window styles (the bits the builders look at).
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_DISABLED = 0x08000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_VSCROLL = 0x00200000;
inline constexpr DWORD WS_HSCROLL = 0x00100000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_GROUP = 0x00020000;
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;  // on top-level windows
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;  // on top-level windows
inline constexpr DWORD WS_EX_APPWINDOW = 0x00040000;

inline constexpr DWORD DS_MODALFRAME = 0x80;
inline constexpr DWORD DS_SETFONT = 0x40;
inline constexpr DWORD DS_FIXEDSYS = 0x08;
inline constexpr DWORD DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;

inline constexpr DWORD BS_PUSHBUTTON = 0x0;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
inline constexpr DWORD BS_CHECKBOX = 0x2;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x3;
inline constexpr DWORD BS_RADIOBUTTON = 0x4;
inline constexpr DWORD BS_GROUPBOX = 0x7;
inline constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
inline constexpr DWORD BS_TYPEMASK = 0xF;

inline constexpr DWORD SS_LEFT = 0x0;
inline constexpr DWORD SS_CENTER = 0x1;
inline constexpr DWORD SS_RIGHT = 0x2;
inline constexpr DWORD SS_ICON = 0x3;
inline constexpr DWORD SS_BLACKRECT = 0x4;
inline constexpr DWORD SS_BLACKFRAME = 0x7;
inline constexpr DWORD SS_TYPEMASK = 0x1F;
inline constexpr DWORD SS_NOPREFIX = 0x80;

inline constexpr DWORD ES_AUTOHSCROLL = 0x80;
inline constexpr DWORD ES_READONLY = 0x800;

inline constexpr DWORD CBS_DROPDOWN = 0x2;
inline constexpr DWORD CBS_DROPDOWNLIST = 0x3;
inline constexpr DWORD CBS_SORT = 0x100;

// One control of a dialog template. Position and size are in dialog units.
struct DialogControl {
    int id = -1;          // -1: no id (a plain label)
    QString windowClass;  // "BUTTON", "STATIC", "EDIT", "COMBOBOX", "MfcLink"
    QString text;         // template text; for an SS_ICON static, the icon resource id
    DWORD style = 0;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

struct DialogTemplate {
    int id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    int cx = 0;  // client size in dialog units
    int cy = 0;
    QString caption;
    QString fontName;
    int pointSize = 8;
    int menuId = 0;  // 0: no menu
    std::vector<DialogControl> controls;
};

// Menu item flags of a menu template.
inline constexpr UINT MF_ENABLED = 0x0;
inline constexpr UINT MF_GRAYED = 0x1;
inline constexpr UINT MF_UNCHECKED = 0x0;
inline constexpr UINT MF_CHECKED = 0x8;
inline constexpr UINT MF_POPUP = 0x10;
inline constexpr UINT MF_SEPARATOR = 0x800;
inline constexpr UINT MF_BYCOMMAND = 0x0;
inline constexpr UINT MF_BYPOSITION = 0x400;
inline constexpr UINT MF_STRING = 0x0;

struct MenuTemplateItem {
    QString text;
    UINT id = 0;                          // command id; 0 for popups and separators
    UINT flags = 0;                       // MF_POPUP, MF_SEPARATOR, MF_GRAYED, MF_CHECKED
    std::vector<MenuTemplateItem> items;  // the popup's entries
};

struct MenuTemplate {
    int id = 0;
    std::vector<MenuTemplateItem> items;  // the entries of the menu bar, in order
};

// Accelerator entries: virtual-key entries only.
inline constexpr BYTE FVIRTKEY = 0x01;
inline constexpr BYTE FNOINVERT = 0x02;
inline constexpr BYTE FSHIFT = 0x04;
inline constexpr BYTE FCONTROL = 0x08;
inline constexpr BYTE FALT = 0x10;

inline constexpr WORD VK_RETURN = 0x0D;
inline constexpr WORD VK_ESCAPE = 0x1B;
inline constexpr WORD VK_SPACE = 0x20;
inline constexpr WORD VK_TAB = 0x09;
inline constexpr WORD VK_NUMPAD0 = 0x60;
inline constexpr WORD VK_NUMPAD5 = 0x65;

struct AcceleratorEntry {
    BYTE fVirt = FVIRTKEY;
    WORD key = 0;
    WORD cmd = 0;
};

struct AcceleratorTableTemplate {
    int id = 0;
    std::vector<AcceleratorEntry> entries;
};
