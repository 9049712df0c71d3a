# Tests of the device classes: virtual cameras, provider and monitor, V4L2 formats and controls.
if(TARGET lumi_media)
  lumi_add_test(media_devices_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/devices_test_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/test_v4l2_formats.cpp
      ${CMAKE_CURRENT_LIST_DIR}/test_v4l2_device.cpp
      ${CMAKE_CURRENT_LIST_DIR}/test_virtual_camera_pattern.cpp
    LIBS lumi_media)
  lumi_add_test(media_devices_e2e
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/devices_test_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/test_virtual_camera.cpp
      ${CMAKE_CURRENT_LIST_DIR}/test_device_monitor.cpp
    LIBS lumi_media
    LABELS e2e
    TIMEOUT 180)
endif()
