# What `cmake --install` puts where on Windows, and the installer and the zip
# CPack makes of it. Everything goes in one folder: the window (tovrin.exe),
# tovrin-cli.exe, the help page beside the window, Qt's DLLs and the plugins
# the window loads from beside itself (platforms/, imageformats/, styles/), and
# the MinGW runtime DLLs Qt's DLLs need. There is no windeployqt in Debian:
# the files are named here, from the targets Qt's CMake packages define.

install(TARGETS tovrin-cli RUNTIME DESTINATION .)
install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)

if(TOVRIN_GUI)
  install(TARGETS Tovrin RUNTIME DESTINATION .)
  install(FILES src/app/Tovrin.html DESTINATION .)
  install(IMPORTED_RUNTIME_ARTIFACTS Qt6::Core Qt6::Gui Qt6::Widgets DESTINATION .)
  install(IMPORTED_RUNTIME_ARTIFACTS Qt6::QWindowsIntegrationPlugin DESTINATION platforms)
  foreach(plugin Qt6::QWindowsVistaStylePlugin)
    if(TARGET ${plugin})
      install(IMPORTED_RUNTIME_ARTIFACTS ${plugin} DESTINATION styles)
    endif()
  endforeach()
  # TIFF and WebP come with qtimageformats, which the Qt for Windows built by
  # scripts/qt-windows.sh does not hold: there such photos show a notice.
  foreach(plugin Qt6::QJpegPlugin Qt6::QGifPlugin Qt6::QICOPlugin Qt6::QTiffPlugin
                 Qt6::QWebpPlugin)
    if(TARGET ${plugin})
      install(IMPORTED_RUNTIME_ARTIFACTS ${plugin} DESTINATION imageformats)
    endif()
  endforeach()
  # Qt's DLLs were linked against the compiler's runtime as DLLs; our own
  # programs carry it inside.
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
      OUTPUT_VARIABLE runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${runtime}" OR NOT EXISTS "${runtime}")
      message(FATAL_ERROR "The MinGW runtime ${dll} was not found (${runtime})")
    endif()
    install(FILES ${runtime} DESTINATION .)
  endforeach()
endif()

# ---------------------------------------------------------------------------
# `cpack` in the build folder: Tovrin-<version>-win64.exe, an installer for
# one user without administrator rights (cmake/nsis/NSIS.template.in), and
# Tovrin-<version>-win64.zip, the same files as a portable copy.

set(CPACK_PACKAGE_NAME Tovrin)
set(CPACK_PACKAGE_VENDOR "Tovrin developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rewrite the EXIF capture date of JPEG photos in place")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tovrin)
set(CPACK_PACKAGE_FILE_NAME "Tovrin-${PROJECT_VERSION}-win64")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/nsis)
set(CPACK_NSIS_PACKAGE_NAME "Tovrin ${PROJECT_VERSION}")
# A 64-bit installer: the default 32-bit one cannot install 64-bit programs
# where a user expects them.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ZIP_COMPONENT_INSTALL OFF)
include(CPack)
