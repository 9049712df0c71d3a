# Recording to AVI.
target_sources(lumi_capture PRIVATE CCaptureVideoRecording.cpp)
