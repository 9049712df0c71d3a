# Tests of the engine's Resolution and Filter operations with real pipelines, virtual
# cameras and the property frame.
if(TARGET lumi_capture)
  lumi_add_test(capture_pages_tests
    SOURCES pages_test_main.cpp CaptureTestSupport.cpp test_resolution_filter.cpp
    LIBS lumi_capture
    LABELS capture e2e pages
    TIMEOUT 300)
endif()
