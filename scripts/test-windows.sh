#!/usr/bin/env bash
# Builds the whole program for Windows with MinGW-w64 into build-windows/ —
# the window against Qt built for Windows (scripts/qt-windows.sh, cached), the
# engine, the run, the command line and every test — and runs the tests under
# Wine, in a Wine prefix of its own (build-windows/wine), as on a Japanese
# Windows. Installs what is missing (root or sudo). build-windows/ then holds
# tovrin.exe (src/app/) and tovrin-cli.exe (tools/); `cpack` there makes the
# installer and the zip.
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
qt=$(bash "$root/scripts/qt-windows.sh" | tail -n 1)
# Qt's offscreen platform, which the widget tests use, draws text with the
# fonts in Qt's lib/fonts: the Japanese face the window falls back to and a
# Latin one.
bash "$root/scripts/install-packages.sh" fonts-ipafont-gothic fonts-dejavu-core
if [ ! -f "$qt/lib/fonts/ipagp.ttf" ]; then
  mkdir -p "$qt/lib/fonts"
  cp /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf \
     /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$qt/lib/fonts/"
fi

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
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_FIND_ROOT_PATH="$deps;$qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DTOVRIN_GUI=ON "$@" >/dev/null
cmake --build "$out" -j "$jobs"

# A fresh Wine prefix of our own, made once, so nothing of the user's Wine
# setup takes part. Wine takes its time zone from TZ, as Linux does: UTC here
# unless a test asks for another.
export WINEPREFIX=$out/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
# Qt's DLLs and plugins, and the compiler's runtime DLLs they need, are found
# where they were built, as an installed copy finds them beside itself.
runtime_dirs=()
for dll in libstdc++-6.dll libwinpthread-1.dll; do
  runtime_dirs+=("$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)")")
done
WINEPATH=$(for d in "$qt/bin" "${runtime_dirs[@]}"; do printf 'Z:%s;' "${d//\//\\}"; done)
# (Wine hands no QT_* variable to a Windows program: Qt finds its plugins
# under the prefix it was built for, and a test's platform is an argument.)
export WINEPATH
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
