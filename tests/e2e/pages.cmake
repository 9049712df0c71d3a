# End-to-end tests of Resolution and Filter on the program's window.
if(TARGET lumi_app)
  lumi_add_test(resolution_window_tests
    SOURCES e2e_main.cpp E2eSupport.cpp test_resolution_window.cpp
    LIBS lumi_app
    LABELS e2e pages
    TIMEOUT 300)
endif()
