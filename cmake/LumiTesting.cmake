find_package(GTest REQUIRED)
include(GoogleTest)

# lumi_add_test(<name> SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s])
# One GoogleTest executable; every test case becomes a CTest test.
# Widget tests run offscreen; no test depends on a display.
function(lumi_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LUMIVISOR_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
      LABELS "${T_LABELS}"
      TIMEOUT ${T_TIMEOUT})
endfunction()
