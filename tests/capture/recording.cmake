# Tests of recording to AVI with real pipelines and virtual cameras.
if(TARGET lumi_capture)
  lumi_add_test(recording_tests
    SOURCES capture_test_main.cpp CaptureTestSupport.cpp AviReader.cpp RecordingCheck.cpp test_recording.cpp
    LIBS lumi_capture
    LABELS capture e2e recording
    TIMEOUT 300)
endif()
