# Fault tests on the real window with virtual cameras: damaged settings, odd save folders,
# device-notice bursts, a full disk, cameras that misbehave.
if(TARGET lumi_app)
  lumi_add_test(e2e_fault_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/e2e_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/E2eSupport.cpp
      ${CMAKE_CURRENT_LIST_DIR}/faults_settings.cpp
      ${CMAKE_CURRENT_LIST_DIR}/faults_notices.cpp
      ${CMAKE_CURRENT_LIST_DIR}/faults_disk.cpp
      ${CMAKE_CURRENT_LIST_DIR}/faults_cameras.cpp
      ${CMAKE_CURRENT_LIST_DIR}/../capture/AviReader.cpp
      ${CMAKE_CURRENT_LIST_DIR}/../capture/RecordingCheck.cpp
    LIBS lumi_app
    LABELS e2e faults
    TIMEOUT 600)
endif()
# Signals and kill -9 reach the program itself, run under Xvfb and driven by the keyboard.
find_program(LUMI_XVFB_RUN xvfb-run)
find_program(LUMI_XDOTOOL xdotool)
if(TARGET lumi_app AND LUMI_XVFB_RUN AND LUMI_XDOTOOL)
  lumi_add_test(e2e_signal_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/e2e_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/E2eSupport.cpp
      ${CMAKE_CURRENT_LIST_DIR}/faults_signals.cpp
      ${CMAKE_CURRENT_LIST_DIR}/../capture/RecordingCheck.cpp
    LIBS lumi_app
    LABELS e2e faults xvfb
    TIMEOUT 180)
  target_compile_definitions(e2e_signal_tests PRIVATE
    LUMI_XVFB_SIGNAL="${CMAKE_CURRENT_LIST_DIR}/xvfb_signal.sh" LUMI_PROGRAM="$<TARGET_FILE:lumivisor>")
  add_dependencies(e2e_signal_tests lumivisor)
endif()
