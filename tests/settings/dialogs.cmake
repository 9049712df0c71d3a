# Tests of the save-settings and About dialogs, driven offscreen.
if(TARGET lumi_settings_dialogs)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  lumi_add_test(settings_dialogs_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/dialogs_test_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/test_folder_wnd.cpp
      ${CMAKE_CURRENT_LIST_DIR}/test_about_dlg.cpp
    LIBS lumi_settings_dialogs Qt6::Test)
endif()
