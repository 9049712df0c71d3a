# Tests of the camera's snapshot button: sysfs matching and key reading, and the still
# output it feeds on a capture source.
if(TARGET lumi_media)
  lumi_add_test(media_button_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/devices_test_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/test_camera_button.cpp
    LIBS lumi_media)
  lumi_add_test(media_button_e2e
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/media_test_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/MediaTestSupport.cpp
      ${CMAKE_CURRENT_LIST_DIR}/test_camera_button_still_e2e.cpp
    LIBS lumi_media
    LABELS e2e
    TIMEOUT 180)
endif()
