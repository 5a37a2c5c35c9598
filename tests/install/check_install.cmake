# cmake -DBUILD_DIR=… -DCONFIG=… -DSTAGE=… -DGUI=ON|OFF -DAPP_ID=… -P check_install.cmake
#
# Installs into STAGE/usr as a packager's staging root would and fails on the
# first thing missing or invalid. A validator that is not installed is
# skipped with a message; the files are still checked.

file(REMOVE_RECURSE ${STAGE})
set(prefix ${STAGE}/usr)
set(config_args)
if(CONFIG)
  set(config_args --config ${CONFIG})
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} ${config_args}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}")
endif()

set(expected
  bin/tovrin-cli
  share/man/man1/tovrin-cli.1.gz
  share/doc/tovrin/LICENSE
  share/doc/tovrin/copyright
  share/doc/tovrin/changelog.gz)
if(GUI)
  list(APPEND expected
    bin/tovrin
    share/tovrin/Tovrin.html
    share/applications/${APP_ID}.desktop
    share/metainfo/${APP_ID}.metainfo.xml
    share/icons/hicolor/scalable/apps/tovrin.svg
    share/man/man1/tovrin.1.gz)
  foreach(size 16 22 24 32 48 64 128 256)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/tovrin.png)
  endforeach()
endif()
foreach(path ${expected})
  if(NOT EXISTS ${prefix}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

# Nothing from the build folder or the tests may come along.
file(GLOB_RECURSE installed RELATIVE ${prefix} ${prefix}/*)
foreach(path ${installed})
  list(FIND expected ${path} at)
  if(at EQUAL -1)
    message(FATAL_ERROR "installed but not expected: ${path}")
  endif()
endforeach()

# The installed command line program runs from the staged tree.
execute_process(COMMAND ${prefix}/bin/tovrin-cli RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 2)
  message(FATAL_ERROR "tovrin-cli without arguments should exit 2 (usage), gave ${rc}")
endif()

if(GUI)
  # Each icon file has the size its folder promises.
  foreach(size 16 22 24 32 48 64 128 256)
    file(READ ${prefix}/share/icons/hicolor/${size}x${size}/apps/tovrin.png header
      LIMIT 24 HEX)
    string(SUBSTRING ${header} 32 8 width)
    string(SUBSTRING ${header} 40 8 height)
    math(EXPR width "0x${width}")
    math(EXPR height "0x${height}")
    if(NOT width EQUAL size OR NOT height EQUAL size)
      message(FATAL_ERROR "icon ${size}x${size} is ${width}x${height}")
    endif()
  endforeach()

  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  if(DESKTOP_FILE_VALIDATE)
    execute_process(
      COMMAND ${DESKTOP_FILE_VALIDATE} ${prefix}/share/applications/${APP_ID}.desktop
      RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
      message(FATAL_ERROR "desktop-file-validate (${rc}):\n${out}")
    endif()
  else()
    message(STATUS "SKIP: desktop-file-validate not installed (package desktop-file-utils)")
  endif()

  find_program(APPSTREAMCLI appstreamcli)
  if(APPSTREAMCLI)
    execute_process(
      COMMAND ${APPSTREAMCLI} validate --no-net --pedantic
              ${prefix}/share/metainfo/${APP_ID}.metainfo.xml
      RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "appstreamcli validate (${rc}):\n${out}")
    endif()
  else()
    message(STATUS "SKIP: appstreamcli not installed (package appstream)")
  endif()
endif()

message(STATUS "install tree complete in ${prefix}")
