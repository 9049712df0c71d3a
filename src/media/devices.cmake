# Device sources of lumi_media: virtual cameras, the device monitor, V4L2 formats and controls.
list(APPEND MEDIA_DEVICE_SOURCES
  V4l2DeviceControls.cpp
  V4l2Formats.cpp
  V4l2Device.cpp
  VirtualCameraPattern.cpp
  VirtualCamera.cpp
  VirtualCameraFault.cpp
  VirtualCameraProvider.cpp
  DeviceMonitor.cpp
)
