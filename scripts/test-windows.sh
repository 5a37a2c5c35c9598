#!/usr/bin/env bash
# Builds the engine, the run, the command line and their tests for Windows with
# MinGW-w64 into build-windows/ and runs the tests under Wine, in a Wine prefix
# of their own (build-windows/wine). Installs what is missing (root or sudo).
# build-windows/tools/tovrin-cli.exe is the Windows command line.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-windows
deps=$out/deps
jobs=${TOVRIN_JOBS:-2}

packages=(
  cmake ninja-build
  g++-mingw-w64-x86-64-posix wine wine64
  googletest nlohmann-json3-dev libcli11-dev locales
)
bash "$root/scripts/install-packages.sh" "${packages[@]}"

# Wine takes the ANSI code page and the encoding of Linux file names from the
# locale: the tests run as on a Japanese Windows (code page 932), which needs
# the Japanese UTF-8 locale.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

toolchain=$root/cmake/mingw-w64-x86_64.cmake

# GoogleTest from Debian's source, built once for Windows.
if [ ! -f "$deps/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$out/googletest" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$deps" >/dev/null
  cmake --build "$out/googletest" -j "$jobs" >/dev/null
  cmake --install "$out/googletest" >/dev/null
fi

# nlohmann-json and CLI11 are headers only: the host's headers and CMake
# packages, placed where the cross build looks (each package finds its
# headers beside itself).
for pkg in nlohmann_json:nlohmann CLI11:CLI; do
  name=${pkg%%:*} headers=${pkg##*:}
  if [ ! -d "$deps/share/cmake/$name" ]; then
    mkdir -p "$deps/include" "$deps/share/cmake"
    ln -sfn "/usr/include/$headers" "$deps/include/$headers"
    cp -r "/usr/share/cmake/$name" "$deps/share/cmake/"
  fi
done

cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_FIND_ROOT_PATH="$deps" \
  -DTOVRIN_GUI=OFF >/dev/null
cmake --build "$out" -j "$jobs"

# A fresh Wine prefix of our own, made once, so nothing of the user's Wine
# setup takes part. Wine takes its time zone from TZ, as Linux does: UTC here
# unless a test asks for another.
export WINEPREFIX=$out/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
# One server for the whole suite instead of one per test (it fails when one
# is running already, which is as good).
wineserver -p 60 2>/dev/null || true
# As a user whose name is in kanji, as many of the users are: every path
# under the profile (the temporary folder, %LOCALAPPDATA%) then holds
# characters that a narrow (ANSI) call would mangle. Wine names the profile
# after USER when it makes the prefix; a prefix made for another user is made
# again.
export USER=田中太郎 USERNAME=田中太郎 LOGNAME=田中太郎 TOVRIN_WINE_USER=田中太郎
if [ -d "$WINEPREFIX" ] && [ ! -d "$WINEPREFIX/drive_c/users/$USER" ]; then
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  wineserver -p 60 2>/dev/null || true
fi
# Made before the first test, which would otherwise race another to make it.
wineboot --init >/dev/null 2>&1
if [ ! -d "$WINEPREFIX/drive_c/users/$USER" ]; then
  echo "test-windows.sh: the Wine prefix has no profile C:\\users\\$USER" >&2
  exit 1
fi
# As on the users' Japanese Windows: ANSI code page 932, so a path or a text
# that passed through it would show.
status=0
LC_ALL=ja_JP.UTF-8 ctest --test-dir "$out" --output-on-failure -j "$jobs" || status=$?
wineserver -k 2>/dev/null || true
exit $status
