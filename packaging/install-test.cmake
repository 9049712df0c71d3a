# cmake -DBUILD_DIR=<build> -DPREFIX=<folder> -DAPP_ID=<id> -DICON_SIZES=<list> -P install-test.cmake
# Installs the build into a fresh folder and checks that every installed file is there.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected
  bin/lumivisor
  share/applications/${APP_ID}.desktop
  share/metainfo/${APP_ID}.metainfo.xml
  share/doc/lumivisor/README.md)
foreach(size IN LISTS ICON_SIZES)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/lumivisor.png)
endforeach()
foreach(path IN LISTS expected)
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
execute_process(COMMAND test -x ${PREFIX}/bin/lumivisor RESULT_VARIABLE executable)
if(NOT executable EQUAL 0)
  message(FATAL_ERROR "bin/lumivisor is not executable")
endif()
# Each icon is a PNG of its size: the signature, then the IHDR width and height.
foreach(size IN LISTS ICON_SIZES)
  file(READ ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/lumivisor.png header
    LIMIT 24 HEX)
  string(SUBSTRING "${header}" 0 16 signature)
  string(SUBSTRING "${header}" 32 16 dimensions)
  math(EXPR want "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(REPLACE "0x" "" want "${want}")
  string(LENGTH "${want}" length)
  while(length LESS 8)
    string(PREPEND want "0")
    string(LENGTH "${want}" length)
  endwhile()
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT dimensions STREQUAL "${want}${want}")
    message(FATAL_ERROR "icon ${size}x${size} is not a ${size}x${size} PNG: ${header}")
  endif()
endforeach()
