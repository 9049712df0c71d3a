// Resource, control and command ids of the program.
#pragma once

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_LUMIVISOR_DIALOG = 102;
inline constexpr int IDD_FOLDER = 132;

// Icon, menu, accelerators, bitmap.
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDR_MENU = 129;
inline constexpr int IDR_ACCELERATOR = 130;
inline constexpr int IDB_RECORDING = 135;

// Controls of the main dialog (102).
inline constexpr int IDC_PICTURE = 1000;
inline constexpr int IDC_DEVICE_LIST = 1003;

// Controls of the save-settings dialog (132).
inline constexpr int IDC_AUTO_NUMBERING = 1004;
inline constexpr int IDC_FOLDER = 1005;
inline constexpr int IDC_BROWSE = 1006;
inline constexpr int IDC_PICTURE_PREFIX = 1007;
inline constexpr int IDC_FORMAT_BMP = 1008;
inline constexpr int IDC_FORMAT_JPG = 1009;
inline constexpr int IDC_FORMAT_PNG = 1010;
inline constexpr int IDC_FORMAT_TIF = 1011;
inline constexpr int IDC_PICTURE_NUMBER = 1012;
inline constexpr int IDC_VIDEO_PREFIX = 1013;
inline constexpr int IDC_FOLDER_LABEL = 1014;
inline constexpr int IDC_PICTURE_PREFIX_LABEL = 1015;
inline constexpr int IDC_VIDEO_PREFIX_LABEL = 1016;

// Controls of the About dialog (100).
inline constexpr int IDC_ABOUT_VERSION = 1017;
inline constexpr int IDC_ABOUT_COPYRIGHT = 1018;
inline constexpr int IDC_ABOUT_PHONE1 = 1019;
inline constexpr int IDC_ABOUT_BLANK = 1020;
inline constexpr int IDC_ABOUT_PHONE2 = 1021;
inline constexpr int IDC_ABOUT_PHONE3 = 1022;
inline constexpr int IDC_ABOUT_MAIL = 1023;
inline constexpr int IDC_ABOUT_WEB = 1024;

// Standard button ids.
inline constexpr int IDOK_BUTTON = 1;
inline constexpr int IDCANCEL_BUTTON = 2;

// The About entry of the main window's system (context) menu.
inline constexpr unsigned IDM_ABOUTBOX = 0x0010;

// Menu and accelerator commands.
inline constexpr unsigned ID_SET_FOLDER = 32771;
inline constexpr unsigned ID_EXIT = 32772;
inline constexpr unsigned ID_FREEZE_PREVIEW = 32773;
inline constexpr unsigned ID_SNAP = 32774;
inline constexpr unsigned ID_START_RECORDER = 32775;
inline constexpr unsigned ID_STOP_RECORDER = 32776;
inline constexpr unsigned ID_CROSSHAIRS = 32777;
inline constexpr unsigned ID_DEVICE_PLACEHOLDER = 32779;
inline constexpr unsigned ID_FILTER = 32783;
inline constexpr unsigned ID_RESOLUTION = 32784;
inline constexpr unsigned ID_ABOUT = 32785;
inline constexpr unsigned ID_ENGLISH = 32789;
inline constexpr unsigned ID_RUSSIAN = 32790;

// Device commands: the entry at list position i carries ID_DEVICE_FIRST + i; eight act.
inline constexpr unsigned ID_DEVICE_FIRST = 40056;
inline constexpr unsigned ID_DEVICE_LAST = 40063;
