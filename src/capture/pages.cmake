# The capture filter's property pages: stream format (Resolution) and settings (Filter).
target_sources(lumi_capture PRIVATE ${CMAKE_CURRENT_LIST_DIR}/CCaptureVideoPages.cpp)
target_link_libraries(lumi_capture PUBLIC lumi_media_pages)
