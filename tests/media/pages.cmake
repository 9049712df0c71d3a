# Tests of the property frame and the capture source's pages.
if(TARGET lumi_media_pages)
  lumi_add_test(media_pages_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/pages_test_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/PagesTestSupport.cpp
      ${CMAKE_CURRENT_LIST_DIR}/test_pages_controls.cpp
      ${CMAKE_CURRENT_LIST_DIR}/test_pages_format.cpp
      ${CMAKE_CURRENT_LIST_DIR}/test_property_frame.cpp
    LIBS lumi_media_pages)
  lumi_add_test(media_pages_e2e
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/pages_test_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/PagesTestSupport.cpp
      ${CMAKE_CURRENT_LIST_DIR}/MediaTestSupport.cpp
      ${CMAKE_CURRENT_LIST_DIR}/test_pages_e2e.cpp
    LIBS lumi_media_pages
    LABELS e2e
    TIMEOUT 300)
endif()
