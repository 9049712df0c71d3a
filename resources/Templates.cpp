#include "resources/Templates.h"

#include "resources/ResourceIds.h"

namespace {

constexpr DWORD kModalDialogStyle =
    DS_MODALFRAME | DS_SHELLFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;  // 0x80C800C8
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT;
constexpr DWORD kGroupLabel = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
constexpr DWORD kHiddenLabel = WS_CHILD | SS_LEFT;
constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

DialogTemplate MakeAboutTemplate() {
    DialogTemplate t;
    t.id = IDD_ABOUTBOX;
    t.style = kModalDialogStyle;
    t.cx = 230;
    t.cy = 120;
    t.caption = QStringLiteral("About Lumivisor");
    t.fontName = QStringLiteral("MS Shell Dlg");
    t.pointSize = 9;
    const QString link = QStringLiteral("MfcLink");
    const QString stat = QStringLiteral("STATIC");
    t.controls = {
        {-1, stat, QString::number(IDR_MAINFRAME), WS_CHILD | WS_VISIBLE | SS_ICON, 14, 14, 20, 20},
        {IDC_ABOUT_VERSION, stat, QStringLiteral("Lumivisor, Version 1.0"),
         kGroupLabel | SS_NOPREFIX, 54, 14, 162, 8},
        {IDC_ABOUT_COPYRIGHT, stat, QStringLiteral("Copyright (C) 2017"), kGroupLabel, 54, 27, 162,
         8},
        {IDC_ABOUT_PHONE1, stat, QStringLiteral("Tel:"), kGroupLabel, 54, 40, 162, 8},
        {IDC_ABOUT_PHONE2, stat, QStringLiteral("Tel2"), kGroupLabel, 54, 52, 162, 8},
        {IDC_ABOUT_PHONE3, stat, QStringLiteral("Tel3"), kGroupLabel, 54, 63, 162, 8},
        {IDC_ABOUT_BLANK, stat, QStringLiteral("   "), kGroupLabel, 54, 74, 136, 8},
        {IDC_ABOUT_MAIL, link, QStringLiteral("E-mail"), WS_CHILD | WS_VISIBLE | WS_TABSTOP, 55, 87,
         156, 10},
        {IDC_ABOUT_WEB, link, QStringLiteral("Web"), WS_CHILD | WS_VISIBLE | WS_TABSTOP, 54, 99,
         156, 10},
    };
    return t;
}

DialogTemplate MakeMainTemplate() {
    DialogTemplate t;
    t.id = IDD_LUMIVISOR_DIALOG;
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
              DS_SHELLFONT;  // 0x90CC0048
    t.exStyle = WS_EX_APPWINDOW;
    t.cx = 473;
    t.cy = 385;
    t.caption = QStringLiteral("Lumivisor");
    t.fontName = QStringLiteral("MS Shell Dlg");
    t.pointSize = 9;
    t.menuId = IDR_MENU;
    t.controls = {
        {IDC_PICTURE, QStringLiteral("STATIC"), QString(),
         WS_CHILD | WS_VISIBLE | SS_BLACKFRAME /* 0x50000007 */, 0, 0, 473, 385},
        {IDC_DEVICE_LIST, QStringLiteral("COMBOBOX"), QString(),
         WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN, 386, 15, 68, 30},
    };
    return t;
}

DialogTemplate MakeFolderTemplate() {
    DialogTemplate t;
    t.id = IDD_FOLDER;
    t.style = kModalDialogStyle;
    t.cx = 316;
    t.cy = 123;
    t.caption = QStringLiteral("Настройки");
    t.fontName = QStringLiteral("MS Shell Dlg");
    t.pointSize = 8;
    const QString button = QStringLiteral("BUTTON");
    const QString stat = QStringLiteral("STATIC");
    const QString edit = QStringLiteral("EDIT");
    constexpr DWORD radio = WS_CHILD | WS_TABSTOP | BS_AUTORADIOBUTTON;
    t.controls = {
        {IDOK_BUTTON, button, QStringLiteral("OK"),
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 95, 97, 50, 14},
        {IDCANCEL_BUTTON, button, QStringLiteral("Cancel"), kButton, 149, 97, 50, 14},
        {IDC_AUTO_NUMBERING, button, QStringLiteral("Автоматически сохранять номера"),
         WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX, 223, 47, 64, 10},
        {IDC_FOLDER_LABEL, stat, QStringLiteral("Папка"), kLabel, 14, 14, 33, 8},
        {IDC_FOLDER, edit, QString(), kEdit | ES_READONLY, 14, 26, 231, 14},
        {IDC_PICTURE_PREFIX_LABEL, stat, QStringLiteral("Имя фото"), kLabel, 14, 46, 89, 8},
        {IDC_BROWSE, button, QStringLiteral("..."), kButton, 252, 26, 50, 14},
        {IDC_PICTURE_PREFIX, edit, QString(), kEdit, 14, 56, 68, 14},
        {-1, stat, QStringLiteral("форма файла"), kHiddenLabel, 214, 62, 33, 8},
        {IDC_FORMAT_BMP, button, QStringLiteral("bmp"), radio | WS_GROUP, 131, 76, 32, 10},
        {IDC_FORMAT_JPG, button, QStringLiteral("jpg"), radio, 175, 76, 32, 10},
        {IDC_FORMAT_PNG, button, QStringLiteral("png"), radio, 229, 76, 32, 10},
        {IDC_FORMAT_TIF, button, QStringLiteral("tif"), radio, 277, 76, 32, 10},
        {-1, stat, QStringLiteral("В номер"), kHiddenLabel, 16, 73, 33, 8},
        {IDC_PICTURE_NUMBER, edit, QString(), WS_CHILD | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
         16, 87, 40, 14},
        {IDC_VIDEO_PREFIX_LABEL, stat, QStringLiteral("Имя видео"), kLabel, 108, 46, 110, 8},
        {IDC_VIDEO_PREFIX, edit, QString(), kEdit, 108, 56, 77, 14},
    };
    return t;
}

MenuTemplateItem Item(const char* text, UINT id) {
    return MenuTemplateItem{QString::fromUtf8(text), id, MF_STRING, {}};
}

MenuTemplateItem Popup(const char* text, std::vector<MenuTemplateItem> items) {
    return MenuTemplateItem{QString::fromUtf8(text), 0, MF_POPUP, std::move(items)};
}

MenuTemplate MakeMainMenu() {
    MenuTemplate m;
    m.id = IDR_MENU;
    m.items = {
        Popup("File", {Item("Set Folder", ID_SET_FOLDER), Item("Exit", ID_EXIT)}),
        Popup("Devices", {Item("камера1", ID_DEVICE_PLACEHOLDER)}),
        Popup("Operation",
              {Item("Snap", ID_SNAP), Item("Start recorder", ID_START_RECORDER),
               Item("Stop recorder", ID_STOP_RECORDER), Item("Crosshairs", ID_CROSSHAIRS),
               Item("Filter", ID_FILTER), Item("Resolution", ID_RESOLUTION)}),
        Popup("Language", {Item("Russian", ID_RUSSIAN), Item("English", ID_ENGLISH)}),
        Item("About", ID_ABOUT),
    };
    return m;
}

AcceleratorTableTemplate MakeAccelerators() {
    AcceleratorTableTemplate a;
    a.id = IDR_ACCELERATOR;
    a.entries = {
        {FVIRTKEY | FNOINVERT, VK_SPACE, ID_FREEZE_PREVIEW},
        {FVIRTKEY | FNOINVERT, VK_NUMPAD5, ID_CROSSHAIRS},
        {FVIRTKEY | FNOINVERT, VK_RETURN, ID_SNAP},
    };
    return a;
}

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    static const DialogTemplate about = MakeAboutTemplate();
    static const DialogTemplate main = MakeMainTemplate();
    static const DialogTemplate folder = MakeFolderTemplate();
    switch (id) {
        case IDD_ABOUTBOX:
            return &about;
        case IDD_LUMIVISOR_DIALOG:
            return &main;
        case IDD_FOLDER:
            return &folder;
        default:
            return nullptr;
    }
}

const MenuTemplate* FindMenuTemplate(int id) {
    static const MenuTemplate menu = MakeMainMenu();
    return id == IDR_MENU ? &menu : nullptr;
}

const AcceleratorTableTemplate* FindAcceleratorTable(int id) {
    static const AcceleratorTableTemplate table = MakeAccelerators();
    return id == IDR_ACCELERATOR ? &table : nullptr;
}
