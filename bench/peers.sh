#!/usr/bin/env bash
# tovrin-cli beside ExifTool, Exiv2 and jhead on the same photos, in one run:
#
#   bash bench/peers.sh [COUNT]        (COUNT photos, 1000 by default)
#
# Each photo is a 24-megapixel JPEG (6000x4000, 3-5 MB): the EXIF header
# (SOI and the APPn segments) of a real photo from the corpus, in turn, in
# front of one large picture body encoded once. Every tool reads the three
# dates of all photos, then sets them to 2007:01:23 09:05:00 on its own fresh
# copy. Printed per tool: photos/s for reading and for setting, and per photo
# while setting the bytes its processes handed to write calls (wchar of
# /proc/PID/io, its own output left out) and the page-cache bytes those writes
# dirtied (write_bytes: what the disk is sent, in whole pages or folios). A
# table and a PNG bar chart go to the output folder. A last row, "floor +
# journal", is bench/floor.cpp on the same photos: only the system calls any
# tool must make (reading: open, 4 KiB read, fstat, close; setting: the same,
# three 19-byte pwrites of the bytes tovrin-cli writes, futimens, and a
# 400-byte journal record a photo with one fsync per 1,000 photos).
#
# Environment: TOVRIN_CORPUS_DIR (the corpus, ../shared/corpus by default),
# TOVRIN_PEERS_WORK (scratch folder, needs about 2 x COUNT x 4 MB; default
# /tmp/tovrin-peers), TOVRIN_PEERS_OUT (results; default build-peers/).
set -euo pipefail
count="${1:-1000}"
root="$(cd "$(dirname "$0")/.." && pwd)"
corpus="${TOVRIN_CORPUS_DIR:-$root/../shared/corpus}/photos"
work="${TOVRIN_PEERS_WORK:-/tmp/tovrin-peers}"
out="${TOVRIN_PEERS_OUT:-$root/build-peers}"
build="$root/build-peers/build"

# The peers and the tools to make and draw the photos, from Debian.
packages=(libimage-exiftool-perl exiv2 jhead gnuplot-nox imagemagick python3 bc bsdextrautils)
bash "$root/scripts/install-packages.sh" "${packages[@]}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVRIN_GUI=OFF \
  -DBUILD_TESTING=OFF -DTOVRIN_BENCH=ON >/dev/null
cmake --build "$build" --target tovrin-cli tovrin_floor >/dev/null \
  || cmake --build "$build" --target tovrin-cli tovrin_floor
cli="$build/tools/tovrin-cli"
floor="$build/bench/tovrin_floor"

need=$(( count * 2 * 5 + 500 ))  # MB: the photos and one tool's copy of them
free=$(df -Pm "$(dirname "$work")" | awk 'NR == 2 { print $4 }')
if [ "$free" -lt "$need" ]; then
  echo "peers.sh: $count photos need about $need MB in $(dirname "$work"); $free MB free" >&2
  exit 1
fi
mkdir -p "$work" "$out"
# tovrin-cli's journals go to a state folder of the scratch folder's, not the user's.
export XDG_STATE_HOME="$work/state"
master="$work/photos-$count"

# One picture body for all photos: a 6000x4000 plasma picture, detailed
# enough to weigh what a camera's photo weighs.
body="$work/body.jpg"
if [ ! -s "$body" ]; then
  echo "encoding the 24-megapixel body once ..." >&2
  convert -size 6000x4000 -seed 7 plasma:fractal -quality 85 "$body"
fi

if [ ! -f "$master/.done" ]; then
  echo "making $count photos ..." >&2
  rm -rf "$master"
  mkdir -p "$master"
  python3 - "$corpus" "$body" "$master" "$count" <<'PY'
import os, sys
corpus, body_path, dest, count = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])

def segments(data):
    """The leading segments after SOI as (marker, start, end), up to the first non-APPn."""
    pos, found = 2, []
    while pos + 4 <= len(data) and data[pos] == 0xFF:
        marker = data[pos + 1]
        length = int.from_bytes(data[pos + 2:pos + 4], "big")
        found.append((marker, pos, pos + 2 + length))
        pos += 2 + length
    return found

def exif_header(data):
    """SOI and the APPn segments in front of the picture, when they hold an Exif APP1."""
    if data[:2] != b"\xff\xd8":
        return None
    head, has_exif = 2, False
    for marker, start, end in segments(data):
        if not 0xE0 <= marker <= 0xEF or end > len(data):
            break
        has_exif |= marker == 0xE1 and data[start + 4:start + 10] == b"Exif\0\0"
        head = end
    return data[:head] if has_exif else None

body = open(body_path, "rb").read()
# The body without its own SOI and APPn segments: tables, frame, scan, EOI.
tail = 2
for marker, start, end in segments(body):
    if not 0xE0 <= marker <= 0xEF:
        break
    tail = end
body = body[tail:]

headers = []
for name in sorted(os.listdir(corpus)):
    if name.lower().endswith((".jpg", ".jpeg")):
        header = exif_header(open(os.path.join(corpus, name), "rb").read())
        if header:
            headers.append(header)
if not headers:
    sys.exit("no corpus photo with an Exif APP1 in " + corpus)
for i in range(count):
    with open(os.path.join(dest, "photo%05d.jpg" % i), "wb") as f:
        f.write(headers[i % len(headers)] + body)
print("%d photos from %d corpus headers, %.1f MB each on average" % (
    count, len(headers),
    sum(os.path.getsize(os.path.join(dest, n)) for n in os.listdir(dest)) / count / 1e6),
    file=sys.stderr)
PY
  touch "$master/.done"
fi

moment_exif="2007:01:23 09:05:00"
list="$work/list.txt"
(cd "$master" && ls photo*.jpg) >"$list"

# Runs one command in a shell of its own and prints "seconds wchar write_bytes":
# the shell's /proc/self/io, read after the command has ended, includes what
# its reaped children did. wchar counts the bytes handed to write calls, less
# the command's own output (kept in a file and subtracted); write_bytes counts
# the page-cache pages those writes dirtied, what the disk will be sent.
# Builtins only between the two readings, so the shell adds nothing.
measure() {
  bash -c '
    io() {
      local k v
      while read -r k v; do
        case $k in wchar:) W=$v ;; write_bytes:) B=$v ;; esac
      done </proc/$$/io
    }
    io; wchar0=$W bytes0=$B
    start=$EPOCHREALTIME
    eval "$1" >"$2" 2>&1 || true
    end=$EPOCHREALTIME
    io; wchar1=$W bytes1=$B
    printed=$(stat -c %s "$2")
    echo "$(echo "$end - $start" | bc -l) $((wchar1 - wchar0 - printed)) $((bytes1 - bytes0))"
  ' measure "$1" "$work/output.txt"
}

read_cmd() {
  case "$1" in
    tovrin-cli) echo "'$cli' info --quiet --files-from '$list'" ;;
    exiftool) echo "exiftool -q -fast2 -DateTimeOriginal -CreateDate -ModifyDate -@ '$list'" ;;
    exiv2) echo "xargs -d '\n' exiv2 -q -g Exif.Image.DateTime -g Exif.Photo.DateTimeOriginal -g Exif.Photo.DateTimeDigitized -Pv pr <'$list'" ;;
    jhead) echo "xargs -d '\n' jhead <'$list'" ;;
    floor) echo "'$floor' info '$list'" ;;
  esac
}

# Each sets the three dates; tovrin-cli and jhead also set the file times to
# that moment (tovrin-cli always does; jhead's -ft), ExifTool with
# FileModifyDate. tovrin-cli writes no log here (--no-log): the peers keep none.
set_cmd() {
  case "$1" in
    tovrin-cli) echo "'$cli' set --date 2007-01-23 --time 09:05:00 --no-log --quiet --files-from '$list'" ;;
    exiftool) echo "exiftool -q -overwrite_original '-AllDates=$moment_exif' '-FileModifyDate=$moment_exif' -@ '$list'" ;;
    exiv2) echo "xargs -d '\n' exiv2 -q -M'set Exif.Image.DateTime $moment_exif' -M'set Exif.Photo.DateTimeOriginal $moment_exif' -M'set Exif.Photo.DateTimeDigitized $moment_exif' mo <'$list'" ;;
    jhead) echo "xargs -d '\n' jhead -q -ts2007:01:23-09:05:00 -ft <'$list'" ;;
    floor) echo "'$floor' set+journal '$list' '$work/floor.journal'" ;;
  esac
}

tools=(tovrin-cli exiftool exiv2 jhead floor)
table="$out/peers.tsv"
printf "tool\tread photos/s\tset photos/s\tbytes written per photo\tpage-cache bytes per photo\tDateTimeOriginal set\n" >"$table"
for tool in "${tools[@]}"; do
  copy="$work/copy"
  rm -rf "$copy"
  cp -a "$master" "$copy"
  sync
  cd "$copy"
  # A first pass warms the cache for every tool alike.
  cat photo*.jpg >/dev/null
  read -r rsec _ < <(measure "$(read_cmd "$tool")")
  sync
  read -r ssec written dirtied < <(measure "$(set_cmd "$tool")")
  # Every photo must carry the new date afterwards, or the figures mean nothing.
  set_ok=$("$cli" info --quiet --files-from "$list" | grep -c "\"DateTimeOriginal\":\"$moment_exif\"" || true)
  cd "$work"
  rm -f "$work/floor.journal"
  rm -rf "$work/state"
  rps=$(echo "$count / $rsec" | bc -l)
  sps=$(echo "$count / $ssec" | bc -l)
  name=$tool
  [ "$tool" = floor ] && name="floor + journal"
  printf "%s\t%.0f\t%.0f\t%.0f\t%.0f\t%d/%d\n" "$name" "$rps" "$sps" \
    "$(echo "$written / $count" | bc -l)" "$(echo "$dirtied / $count" | bc -l)" \
    "$set_ok" "$count" >>"$table"
  echo "$tool done" >&2
  rm -rf "$copy"
done

echo
echo "$count photos of $(du -sm "$master" | cut -f1) MB in all, $(nproc) cores, warm cache"
column -t -s $'\t' "$table"

chart="$out/peers.png"
mb=$(echo "scale=1; $(du -sk "$master" | cut -f1) / 1024 / $count" | bc -l)
gnuplot <<GP
set terminal pngcairo size 1200,450 font "sans,10" noenhanced
set output "$chart"
set datafile separator "\t"
set style data histograms
set style fill solid 0.8 border -1
set boxwidth 0.8
set logscale y
set grid ytics
set key off
set multiplot layout 1,3 title "$count photos of 24 megapixels ($mb MB each on average): tovrin-cli and its peers"
set title "read, photos/s (log scale)"
plot "$table" using 2:xtic(1) skip 1 linecolor rgb "#3070b0"
set title "set, photos/s (log scale)"
plot "$table" using 3:xtic(1) skip 1 linecolor rgb "#30a050"
set title "set, bytes per photo (log scale)"
set key below
set yrange [1:*]
plot "$table" using 4:xtic(1) skip 1 title "written" linecolor rgb "#c05030", \\
     "" using 5 skip 1 title "page cache dirtied" linecolor rgb "#e0a040"
unset multiplot
GP
echo "table: $table"
echo "chart: $chart"
