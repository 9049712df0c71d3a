# End-to-end tests of the Operation commands: pictures, recording, menu states; and the
# keyboard run of the program under Xvfb (xdotool) and its window's size and place under a
# window manager (openbox), where Xvfb, xdotool and openbox are installed.
if(TARGET lumi_app)
  lumi_add_test(commands_tests
    SOURCES e2e_main.cpp E2eSupport.cpp ../capture/AviReader.cpp ../capture/RecordingCheck.cpp
      test_commands.cpp
    LIBS lumi_app
    LABELS e2e commands
    TIMEOUT 300)
  find_program(LUMI_XVFB_RUN xvfb-run)
  find_program(LUMI_XDOTOOL xdotool)
  find_program(LUMI_OPENBOX openbox)
  if(LUMI_XVFB_RUN AND LUMI_XDOTOOL AND LUMI_OPENBOX AND TARGET lumivisor)
    add_test(NAME e2e_xvfb_keyboard
      COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/xvfb_keyboard.sh $<TARGET_FILE:lumivisor>)
    set_tests_properties(e2e_xvfb_keyboard PROPERTIES LABELS "e2e;xvfb" TIMEOUT 120)
    add_test(NAME e2e_xvfb_window_fit
      COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/xvfb_window_fit.sh $<TARGET_FILE:lumivisor>)
    set_tests_properties(e2e_xvfb_window_fit PROPERTIES LABELS "e2e;xvfb" TIMEOUT 300)
  endif()
endif()
