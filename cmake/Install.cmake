# Installation: the program, its desktop entry, AppStream metadata, hicolor icons drawn by
# the program's own artwork code, and the README. CPack makes a Debian package of it.
include(GNUInstallDirs)

set(LUMI_APP_ID org.lumivisor.Lumivisor)
set(LUMI_ICON_SIZES 16 22 24 32 48 64 128 256)

# Icons, written at build time by a small tool over resources/Artwork.
add_executable(lumi_make_icons ${CMAKE_SOURCE_DIR}/packaging/make_icons.cpp)
target_link_libraries(lumi_make_icons PRIVATE lumi_resources Qt6::Gui)
set_target_properties(lumi_make_icons PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
set(LUMI_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(LUMI_ICON_FILES)
foreach(size IN LISTS LUMI_ICON_SIZES)
  list(APPEND LUMI_ICON_FILES ${LUMI_ICON_DIR}/hicolor/${size}x${size}/apps/lumivisor.png)
endforeach()
add_custom_command(OUTPUT ${LUMI_ICON_FILES}
  COMMAND lumi_make_icons ${LUMI_ICON_DIR}
  DEPENDS lumi_make_icons
  COMMENT "Drawing the application icons")
add_custom_target(lumi_icons ALL DEPENDS ${LUMI_ICON_FILES})

install(TARGETS lumivisor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/${LUMI_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/${LUMI_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${LUMI_ICON_DIR}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Debian package: lumivisor_<version>_<arch>.deb. The run-time packages are named
# explicitly: the libraries the program links and the plugins it loads (Qt's platform
# plugins, GStreamer's base and good elements: videoconvert, appsrc, v4l2src, jpegdec,
# avimux).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumivisor)
set(CPACK_PACKAGE_VENDOR "Lumivisor developers")
set(CPACK_PACKAGE_CONTACT "Lumivisor developers <dev@lumivisor.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer and recorder for USB endoscope and microscope cameras")
set(CPACK_PACKAGE_DESCRIPTION
  "Lumivisor shows the live picture of a USB camera sold as an endoscope or a\n"
  "microscope, writes numbered JPEG pictures (the Enter key or the camera's own\n"
  "snapshot button) and numbered AVI recordings, freezes the picture and shows an\n"
  "aiming crosshair. English and Russian user interface.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1, libglib2.0-0 (>= 2.74),"
  " libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), qt6-qpa-plugins,"
  " qt6-translations-l10n,"
  " libgstreamer1.0-0 (>= 1.22), libgstreamer-plugins-base1.0-0 (>= 1.22),"
  " gstreamer1.0-plugins-base (>= 1.22), gstreamer1.0-plugins-good (>= 1.22),"
  " libturbojpeg0 (>= 1:2.1)")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DEPENDS ${CPACK_DEBIAN_PACKAGE_DEPENDS})
include(CPack)

# Tests: install into a fresh folder of the build tree and validate what landed there.
if(LUMIVISOR_TESTS)
  set(LUMI_INSTALL_TEST_PREFIX ${CMAKE_BINARY_DIR}/install-test)
  add_test(NAME install.tree
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DPREFIX=${LUMI_INSTALL_TEST_PREFIX}
      -DAPP_ID=${LUMI_APP_ID} "-DICON_SIZES=${LUMI_ICON_SIZES}"
      -P ${CMAKE_SOURCE_DIR}/packaging/install-test.cmake)
  set_tests_properties(install.tree PROPERTIES LABELS install FIXTURES_SETUP lumi_install)

  find_program(LUMI_DESKTOP_FILE_VALIDATE desktop-file-validate)
  find_program(LUMI_APPSTREAMCLI appstreamcli)
  if(NOT LUMI_DESKTOP_FILE_VALIDATE OR NOT LUMI_APPSTREAMCLI)
    message(STATUS "desktop-file-validate or appstreamcli missing (scripts/deps test installs them)")
    set(LUMI_DESKTOP_FILE_VALIDATE desktop-file-validate)
    set(LUMI_APPSTREAMCLI appstreamcli)
  endif()
  add_test(NAME install.desktop_entry
    COMMAND ${LUMI_DESKTOP_FILE_VALIDATE}
      ${LUMI_INSTALL_TEST_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications/${LUMI_APP_ID}.desktop)
  add_test(NAME install.metainfo
    COMMAND ${LUMI_APPSTREAMCLI} validate --no-net
      ${LUMI_INSTALL_TEST_PREFIX}/${CMAKE_INSTALL_DATADIR}/metainfo/${LUMI_APP_ID}.metainfo.xml)
  # The whole tree: the metainfo's launchable names an installed desktop entry, whose icon
  # is installed.
  add_test(NAME install.metainfo_tree
    COMMAND ${LUMI_APPSTREAMCLI} validate-tree --no-net ${LUMI_INSTALL_TEST_PREFIX})
  set_tests_properties(install.desktop_entry install.metainfo install.metainfo_tree
    PROPERTIES LABELS install FIXTURES_REQUIRED lumi_install)
endif()
