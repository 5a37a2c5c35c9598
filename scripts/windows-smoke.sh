#!/usr/bin/env bash
# The Windows build as a user meets it: under Wine and Xvfb with a window
# manager, in a Japanese locale, in a Wine prefix of its own
# (build-windows/smoke/wine). Run after scripts/test-windows.sh.
#
#  1. cpack makes Tovrin-<version>-win64.exe and the zip of the same files;
#  2. the installer runs silently (/S) for this user, without administrator
#     rights, into %LOCALAPPDATA%\Programs\Tovrin, with a Start-menu entry;
#  3. the installed tovrin-cli.exe --version answers;
#  4. the installed window opens on C:\写真\夏の旅 (photos of the corpus), a
#     photo is selected and 埋込日付設定実行 clicked; the photo's dates, its
#     line in %LOCALAPPDATA%\Tovrin\Date<today>.log and the settings in the
#     registry are checked; screenshots go to build-windows/smoke/;
#  5. the uninstaller runs silently and leaves nothing of the program.
# Exits non-zero at the first thing that is not so. Wine's exit codes prove
# little, so every step is checked by the files it leaves.
set -Eeuo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-windows
smoke=$out/smoke
corpus=${TOVRIN_CORPUS_DIR:-$root/../shared/corpus}/photos

bash "$root/scripts/install-packages.sh" \
  nsis zip xvfb xauth openbox x11-utils imagemagick xdotool \
  fonts-wine fonts-ipafont-gothic libimage-exiftool-perl

# Said on both streams: whoever reads only one of them still learns why.
fail() {
  echo "windows-smoke: $*" | tee /dev/stderr
  exit 1
}
# A step that fails without a message of its own still says where it was.
trap 'echo "windows-smoke: line $LINENO failed: $BASH_COMMAND" | tee /dev/stderr' ERR

(cd "$out" && cpack -G "NSIS;ZIP" >/dev/null) || fail "cpack failed"
installer=$(ls "$out"/Tovrin-*-win64.exe)
[ -f "${installer%.exe}.zip" ] || fail "no zip beside $installer"

rm -rf "$smoke"
mkdir -p "$smoke"
export WINEPREFIX=$smoke/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 TZ=Asia/Tokyo
unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM

# Xvfb takes a display no other server holds and writes its number: a
# display left taken by another session must not catch the window.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$smoke/display" >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  wineserver -k 2>/dev/null || true
  kill "$wm" "$xvfb" 2>/dev/null || true
}
wm=0
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$smoke/display" ] && break; sleep 0.1; done
[ -s "$smoke/display" ] || fail "Xvfb gave no display"
export DISPLAY=:$(tr -dc 0-9 <"$smoke/display")
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.2; done
xdpyinfo >/dev/null 2>&1 || fail "no X server answers on $DISPLAY"
openbox >/dev/null 2>&1 &
wm=$!

wineboot --init >/dev/null 2>&1
wineserver -w
# Debian's Wine leaves the prefix without fonts of its own.
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
profile=$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
localappdata=$(winepath -u "$profile" 2>/dev/null)
[ -d "$localappdata" ] || fail "no %LOCALAPPDATA% ($profile)"

# 2. Install for this user only.
wine "$installer" /S >/dev/null 2>&1 || true
wineserver -w
app=$localappdata/Programs/Tovrin
for f in tovrin.exe tovrin-cli.exe Tovrin.html Uninstall.exe Qt6Core.dll Qt6Gui.dll \
         Qt6Widgets.dll libstdc++-6.dll platforms/qwindows.dll imageformats/qjpeg.dll; do
  [ -f "$app/$f" ] || fail "the installer left no $f in $app"
done
startmenu=$(winepath -u "$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')")
[ -f "$startmenu/Microsoft/Windows/Start Menu/Programs/Tovrin/Tovrin.lnk" ] \
  || fail "no Start-menu entry"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tovrin' \
  >/dev/null 2>&1 || fail "no uninstall entry for this user"

# 3. The command line answers.
version=$(wine "$app/tovrin-cli.exe" --version 2>/dev/null | tr -d '\r')
[[ "$version" == "tovrin-cli "* ]] || fail "tovrin-cli.exe --version said: $version"
echo "installed: $version"

# 4. The window, on a folder with a Japanese name.
folder="$WINEPREFIX/drive_c/写真/夏の旅"
mkdir -p "$folder"
if [ -d "$corpus" ]; then
  # Read whole before taking six: a pipe closed early would end the script
  # with SIGPIPE under pipefail.
  mapfile -d '' photos < <(find "$corpus" -maxdepth 1 -iname '*.jpg' -print0 | sort -z)
  cp -- "${photos[@]:0:6}" "$folder/"
else
  # Without the corpus: photos of our own, with a camera's dates.
  for i in 1 2 3; do
    convert -size 320x240 "xc:#3060a0" "$folder/IMG_000$i.jpg"
    # With copies of the date in XMP and IPTC, as photo software leaves them.
    exiftool -q -overwrite_original -Make=Canon -Model="Canon PowerShot" \
      "-AllDates=2006:05:04 10:11:1$i" "-XMP-xmp:CreateDate=2006:05:04 10:11:1$i+09:00" \
      "-IPTC:DateCreated=2006:05:04" "-IPTC:TimeCreated=10:11:1$i+09:00" \
      "$folder/IMG_000$i.jpg"
  done
fi
first=$(cd "$folder" && ls | LC_ALL=C sort -f | head -n 1)
before=$(exiftool -s3 -DateTimeOriginal "$folder/$first")
key='HKCU\Software\VB and VBA Program Settings\Quarnel\Tovrin'
wine reg add "$key" /v DefPath /t REG_SZ /d 'C:\写真\夏の旅' /f >/dev/null 2>&1 \
  || fail "reg add $key DefPath failed"

wine "$app/tovrin.exe" >/dev/null 2>&1 &
# A first start in a new prefix, on a busy machine, can take a while.
window=""
waited=0
while [ "$waited" -lt 240 ]; do
  window=$(xdotool search --name '^Tovrin' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.5
  waited=$((waited + 1))
done
[ -n "$window" ] || fail "the window did not open in 120 s"
echo "the window opened after about $((waited / 2)) s"
sleep 3
# Where the window's client area is; the controls sit at fixed places in it.
eval "$(xdotool getwindowgeometry --shell "$window")"
click() {  # x y within the window
  xdotool mousemove $((X + $1)) $((Y + $2))
  sleep 0.3
  xdotool click 1
  sleep "${3:-2}"
}
shot() {
  import -window root "$smoke/$1.png"
  echo "screenshot: $smoke/$1.png"
}
shot main

# The selected photo (the first) gets the date and time shown: now.
click 720 249 4
shot after-run
after=$(exiftool -s3 -DateTimeOriginal "$folder/$first")
[ "$after" != "$before" ] || fail "$first still has $before after the run"
# A copy of the date in XMP follows it.
xmp=$(exiftool -s3 -XMP:CreateDate "$folder/$first")
[ -z "$xmp" ] || [ "${xmp:0:19}" = "$after" ] || fail "$first: XMP CreateDate $xmp, EXIF $after"
today=$(date +%Y%m%d)
log=$localappdata/Tovrin/Date$today.log
[ -f "$log" ] || fail "no log at $log"
logtext=$(iconv -f CP932 -t UTF-8 "$log")
grep -q "写真.夏の旅.$first" <<<"$logtext" || fail "the log names no $first: ${logtext:0:300}"
echo "changed: $first $before -> $after; logged in $log"

# The viewer, the shift dialog and a box, each looked at and closed.
click 87 19 3
shot viewer
xdotool key Escape
sleep 1
click 172 19 3
shot shift-dialog
xdotool key Escape
sleep 1
# With フォルダ内一括処理 the whole folder is worked on and a box says so.
# It also keeps each photo's time of day, so depending on the hour in Tokyo a
# photo's own time on today's date may lie ahead: each such photo has a box of
# its own. Every box is answered until only the main window is left.
click 623 129 1
click 720 249 3
shot box
for _ in $(seq 20); do
  xdotool search --onlyvisible --name '^(Tovrin|処理完了)$' >/dev/null 2>&1 || break
  xdotool key Escape
  sleep 1
done

# Closing the window (終了) stores its place and folder in the registry.
click 282 19 2
for _ in $(seq 20); do xdotool search --name '^Tovrin' >/dev/null 2>&1 || break; sleep 0.5; done
settings=$(wine reg query "$key" 2>/dev/null | tr -d '\r')
for value in DefPath WTOP WLEFT WWidth WHeight; do
  grep -q "$value.*REG_SZ" <<<"$settings" || fail "no $value (REG_SZ) under $key: $settings"
done
wineserver -w

# 5. Uninstall; the program's folder, menu entry and uninstall entry go.
wine "$app/Uninstall.exe" /S >/dev/null 2>&1 || true
wineserver -w
sleep 2
[ ! -e "$app/tovrin.exe" ] || fail "the uninstaller left $app/tovrin.exe"
[ ! -e "$startmenu/Microsoft/Windows/Start Menu/Programs/Tovrin" ] || fail "the menu entry stayed"
! wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tovrin' \
  >/dev/null 2>&1 || fail "the uninstall entry stayed"
echo "windows-smoke: installed, used, looked at and uninstalled"
