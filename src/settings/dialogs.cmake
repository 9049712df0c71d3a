# The save-settings and About dialogs (Qt Widgets), built as lumi_settings_dialogs.
list(APPEND SETTINGS_DIALOG_SOURCES
  CFolderWnd.cpp
  CAboutDlg.cpp
)
