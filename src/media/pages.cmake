# The property frame and the capture source's settings pages (the only widgets of the media
# layer): lumi_media_pages.
add_library(lumi_media_pages STATIC
  ${CMAKE_CURRENT_LIST_DIR}/pages/PageTexts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pages/ControlPageModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pages/StreamFormatModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pages/PropertyPageBase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pages/CameraControlPage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pages/StreamFormatPage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pages/PropertyFrame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pages/OleCreatePropertyFrame.cpp
)
target_link_libraries(lumi_media_pages PUBLIC lumi_media Qt6::Widgets)
