#!/usr/bin/env bash
# Builds Qt for 64-bit Windows with MinGW-w64, once, from the source package of
# the very Debian Qt the Linux build uses (same version, so the host's moc, rcc
# and uic fit), and installs it under ~/.cache/tovrin/qt-<version>-mingw64/ or
# $TOVRIN_QT_WINDOWS. Does nothing when that folder holds a stamp with the
# same version and options. Prints the folder on its last line.
#
# Only what the window needs: Core, Gui, Widgets, Test, the windows platform
# plugin, the windowsvista style, the JPEG/GIF/ICO image formats; Qt's own
# copies of zlib, libjpeg, libpng, PCRE2, HarfBuzz and FreeType. The first
# build takes about 40 minutes on two cores.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${TOVRIN_JOBS:-2}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/tovrin

bash "$root/scripts/install-packages.sh" \
  cmake ninja-build dpkg-dev xz-utils perl python3 \
  g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools

version=$(dpkg-query -W -f='${Version}' qt6-base-dev)   # e.g. 6.4.2+dfsg-10
upstream=${version%%+*}
upstream=${upstream%%-*}
prefix=${TOVRIN_QT_WINDOWS:-$cache/qt-$upstream-mingw64}

options=(
  -release -opensource -confirm-license -shared
  -nomake examples -nomake tests
  -qt-host-path /usr
  -no-opengl -no-dbus -no-icu -no-glib -no-fontconfig
  -no-feature-sql -no-feature-network -no-feature-printsupport
  -no-feature-concurrent -no-feature-xml -no-feature-testlib_selfcover
  -qt-zlib -qt-libjpeg -qt-libpng -qt-pcre -qt-harfbuzz -qt-freetype
)
gxx=$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)
stamp="qt-base $version g++-mingw-w64-posix $gxx shared ${options[*]}"
if [ -f "$prefix/tovrin-stamp" ] && [ "$(cat "$prefix/tovrin-stamp")" = "$stamp" ]; then
  echo "$prefix"
  exit 0
fi

# The source package comes from the same archive as the binary ones: a
# deb-src entry beside each deb entry of the system's sources.
src=$cache/qt-src-$version
if [ ! -f "$src/qtbase/CMakeLists.txt" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if ! apt-get source --print-uris "qt6-base=$version" >/dev/null 2>&1; then
    list=/etc/apt/sources.list.d/tovrin-deb-src.sources
    for f in /etc/apt/sources.list.d/*.sources; do
      [ "$f" = "$list" ] && continue
      grep -q '^Types:.*\bdeb\b' "$f" || continue
      sed -e 's/^Types:.*/Types: deb-src/' "$f"
      echo
    done | $sudo tee "$list" >/dev/null
    if [ -f /etc/apt/sources.list ]; then
      sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list \
        | $sudo tee /etc/apt/sources.list.d/tovrin-deb-src.list >/dev/null
    fi
    $sudo apt-get update -qq
  fi
  rm -rf "$src.tmp"
  mkdir -p "$src.tmp"
  (cd "$src.tmp" && apt-get source -qq "qt6-base=$version" >/dev/null)
  mv "$src.tmp"/qt6-base-*/ "$src.tmp/qtbase"
  # Debian's source leaves out the tablet headers the windows platform plugin
  # includes; Wine's LGPL copies of them come in Debian's libwine-dev.
  (cd "$src.tmp" && apt-get download -qq libwine-dev >/dev/null && dpkg-deb -x libwine-dev_*.deb wine)
  mkdir -p "$src.tmp/qtbase/src/3rdparty/wintab"
  cp "$src.tmp"/wine/usr/include/wine/wine/windows/pktdef.h "$src.tmp/qtbase/src/3rdparty/wintab/"
  # Wine's header names its A/W types through Wine's own macros, and Qt
  # expects the tablet makers' name for the calling convention.
  { printf '%s\n' '#ifndef DECL_WINELIB_TYPE_AW' '# ifdef UNICODE' \
      '#  define WINELIB_NAME_AW(x) x##W' '# else' '#  define WINELIB_NAME_AW(x) x##A' '# endif' \
      '# define DECL_WINELIB_TYPE_AW(type) typedef WINELIB_NAME_AW(type) type;' '#endif' \
      '#ifndef API' '# define API WINAPI' '#endif'
    cat "$src.tmp"/wine/usr/include/wine/wine/windows/wintab.h
  } >"$src.tmp/qtbase/src/3rdparty/wintab/wintab.h"
  rm -rf "$src.tmp/wine" "$src.tmp"/libwine-dev_*.deb
  rm -rf "$src"
  mv "$src.tmp" "$src"
fi

# A toolchain of its own: Qt's DLLs link the MinGW runtime as DLLs, which the
# program ships beside them.
build=$cache/qt-build-$upstream-mingw64
rm -rf "$build"
mkdir -p "$build"
cat >"$build/toolchain.cmake" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
cd "$build"
"$src/qtbase/configure" -prefix "$prefix" -xplatform win32-g++ "${options[@]}" \
  -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$build/toolchain.cmake" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_FORCE_BUILD_TOOLS=OFF >configure.log 2>&1 || { tail -40 configure.log; exit 1; }
cmake --build . --parallel "$jobs" >build.log 2>&1 || { tail -40 build.log; exit 1; }
rm -rf "$prefix"
cmake --install . >install.log 2>&1
echo "$stamp" >"$prefix/tovrin-stamp"
cd /
rm -rf "$build"
echo "$prefix"
