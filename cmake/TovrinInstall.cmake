# What `cmake --install` puts where, and the Debian package CPack makes of it.
# Paths are relative to the prefix, so a staged or relocated install works:
# the program finds its help page as <bin>/../share/tovrin/Tovrin.html.

# Windows keeps a program in one folder of its own: see TovrinWindows.cmake.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/TovrinWindows.cmake)
  return()
endif()

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The desktop and AppStream id; the icon and the programs keep the short name.
set(TOVRIN_APP_ID "io.github.quarnel.tovrin")
set(TOVRIN_DOC_DIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/tovrin")

install(TARGETS tovrin-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES LICENSE DESTINATION ${TOVRIN_DOC_DIR})

if(TOVRIN_GUI)
  install(TARGETS Tovrin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES src/app/Tovrin.html DESTINATION ${CMAKE_INSTALL_DATADIR}/tovrin)
  install(FILES data/${TOVRIN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES data/${TOVRIN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES data/icons/tovrin-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME tovrin.png)
  endforeach()
  install(FILES data/icons/tovrin.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# Manual pages and the changelog go in compressed, as Debian wants them;
# -n keeps the name and time out of the archive so builds are reproducible.
set(TOVRIN_MAN_PAGES docs/tovrin-cli.1)
if(TOVRIN_GUI)
  list(APPEND TOVRIN_MAN_PAGES docs/tovrin.1)
endif()
find_program(TOVRIN_GZIP gzip)
set(compressed)
foreach(source ${TOVRIN_MAN_PAGES} docs/changelog)
  get_filename_component(name ${source} NAME)
  if(TOVRIN_GZIP)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/install/${name}.gz)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/install
      COMMAND ${TOVRIN_GZIP} -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/${source} > ${output}
      DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${source}
      VERBATIM)
  else()
    set(output ${CMAKE_CURRENT_SOURCE_DIR}/${source})
  endif()
  list(APPEND compressed ${output})
  if(name MATCHES "\\.1$")
    install(FILES ${output} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    install(FILES ${output} DESTINATION ${TOVRIN_DOC_DIR})
  endif()
endforeach()
add_custom_target(tovrin_install_files ALL DEPENDS ${compressed})

# Debian's own name for the licence file.
install(FILES LICENSE DESTINATION ${TOVRIN_DOC_DIR} RENAME copyright)

# ---------------------------------------------------------------------------
# `cpack -G DEB` in the build folder.

set(TOVRIN_MAINTAINER "Tovrin developers <tovrin@quarnel.github.io>"
  CACHE STRING "Maintainer of the Debian package (name <address>)")

set(CPACK_PACKAGE_NAME tovrin)
set(CPACK_PACKAGE_VENDOR "Tovrin developers")
set(CPACK_PACKAGE_CONTACT "${TOVRIN_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rewrite the EXIF capture date of JPEG photos in place")
set(CPACK_PACKAGE_DESCRIPTION "\
Tovrin rewrites the capture date that a camera stores in a JPEG photo's
EXIF data, and the two other EXIF date texts, in place and byte for byte,
for one photo, a selection or a whole folder. It can limit a run to the
photos taken on a given day and keep each photo's own time of day, sets
each changed file's timestamps to the same moment and records every change
in a daily log. Its window and messages are in Japanese.

The package also contains tovrin-cli, which reads and sets the dates from
the command line.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TOVRIN_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/quarnel/tovrin")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window reads WebP and TIFF thumbnails through Qt's image plugins, which
# no library of ours links to, so shlibdeps cannot see them (libheif it does).
if(TOVRIN_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins")
endif()
# The window asks for "ＭＳ Ｐゴシック" and substitutes IPAPGothic, which has the
# same metrics; any other Japanese font still shows the texts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
