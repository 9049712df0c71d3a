# Fault tests on the real window with virtual cameras: damaged settings, odd save folders,
# device-notice bursts, a full disk.
if(TARGET lumi_app)
  lumi_add_test(e2e_fault_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/e2e_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/E2eSupport.cpp
      ${CMAKE_CURRENT_LIST_DIR}/faults_settings.cpp
      ${CMAKE_CURRENT_LIST_DIR}/faults_notices.cpp
      ${CMAKE_CURRENT_LIST_DIR}/faults_disk.cpp
      ${CMAKE_CURRENT_LIST_DIR}/../capture/AviReader.cpp
      ${CMAKE_CURRENT_LIST_DIR}/../capture/RecordingCheck.cpp
    LIBS lumi_app
    LABELS e2e faults
    TIMEOUT 600)
endif()
