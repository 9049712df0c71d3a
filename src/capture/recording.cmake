# Recording to AVI, and the repair of recordings that were interrupted.
target_sources(lumi_capture PRIVATE CCaptureVideoRecording.cpp DiskSpaceGuard.cpp
  RecordingLog.cpp RecordingRepair.cpp)
