# The camera's snapshot button: its input device found through sysfs, its key presses read
# and sent as still images of a v4l2 capture source.
if(TARGET lumi_media)
  target_sources(lumi_media PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CameraButtonLocator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CameraButton.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CameraButtonStill.cpp
  )
endif()
