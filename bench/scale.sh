#!/usr/bin/env bash
# tovrin-cli beside the floor of its system calls, and how it scales, in one run:
#
#   bash bench/scale.sh [COUNT]              (COUNT photos, 1000 by default)
#   TOVRIN_SCALE=100000 bash bench/scale.sh  (and one run of 100,000 photos
#                                             beside 10 runs of 10,000)
#
# The photos are small (10-20 KB): the EXIF header (SOI and the APPn
# segments) of a real photo from the corpus, in turn, in front of one tiny
# picture body, using only corpus headers whose three date texts tovrin-cli
# reads as moments (info "status" true) and where the floor writes the same
# bytes as tovrin-cli. Every measure runs on the same files,
# page cache warm, ROUNDS times (5 by default); the table shows medians.
#
#   info                   tovrin-cli info            vs  floor info, and vs jhead
#   set --no-log           tovrin-cli set             vs  floor set+journal
#   shift --no-log         tovrin-cli shift --by +01:00   vs  floor set+journal
#   undo --last --no-log   tovrin-cli undo (the shift)    vs  floor set+journal
#   set (with log)         tovrin-cli set and its log line per photo
#
# The floor (bench/floor.cpp) makes only the system calls any tool must make
# per photo: for info open, a 4 KiB read, fstat, close; for set+journal also
# the three 19-byte pwrites of the same bytes, futimens, and a 400-byte
# journal record per photo with one fsync per 1,000 photos. A ratio is
# tovrin-cli's time over the other's: 1.0 is as fast, 2.0 takes twice as long.
# tovrin-cli writes no daily log in the --no-log rows, but journals every run
# that changes photos, as the floor does.
#
# With TOVRIN_SCALE=N (N/10 a whole number) it also runs set, shift and undo
# once on N photos and as 10 runs of N/10 photos each (undo --last ten times),
# and prints the ratio of the one run's time to the ten runs' (goal: at most
# 2.0) with the peak RSS of each (/usr/bin/time -f %M; for the ten runs the
# largest).
#
# Environment: TOVRIN_CORPUS_DIR (the corpus, ../shared/corpus by default),
# TOVRIN_SCALE_ROUNDS (5), TOVRIN_SCALE (off), TOVRIN_SCALE_WORK (scratch
# folder, removed at the end; /var/tmp/tovrin-scale by default; about 20 KB a
# photo), TOVRIN_SCALE_OUT (results; build-scale/). Journals go to a state
# folder of their own in the scratch folder (XDG_STATE_HOME), never the user's.
set -euo pipefail
count="${1:-1000}"
rounds="${TOVRIN_SCALE_ROUNDS:-5}"
scale="${TOVRIN_SCALE:-0}"
root="$(cd "$(dirname "$0")/.." && pwd)"
corpus="${TOVRIN_CORPUS_DIR:-$root/../shared/corpus}/photos"
work="${TOVRIN_SCALE_WORK:-/var/tmp/tovrin-scale}"
out="${TOVRIN_SCALE_OUT:-$root/build-scale}"
build="$out/build"

if [ "$scale" -ne 0 ] && [ $((scale % 10)) -ne 0 ]; then
  echo "scale.sh: TOVRIN_SCALE must be a multiple of 10" >&2
  exit 2
fi

# jhead as the reading peer, GNU time for the peak RSS, ImageMagick for the body.
packages=(jhead time imagemagick python3 bc)
bash "$root/scripts/install-packages.sh" "${packages[@]}"
# exiftime (a small reader and setter of EXIF dates) would be a peer too, but
# Debian has no package of it.
if apt-cache show exiftime >/dev/null 2>&1; then
  bash "$root/scripts/install-packages.sh" exiftime
fi
have_exiftime=0
command -v exiftime >/dev/null && have_exiftime=1

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVRIN_GUI=OFF \
  -DBUILD_TESTING=OFF -DTOVRIN_BENCH=ON >/dev/null
cmake --build "$build" -j1 --target tovrin-cli tovrin_floor >/dev/null \
  || cmake --build "$build" -j1 --target tovrin-cli tovrin_floor
cli="$build/tools/tovrin-cli"
floor="$build/bench/tovrin_floor"

total=$(( count > scale ? count : scale ))
need=$(( total / 40 + 100 ))  # MB
mkdir -p "$(dirname "$work")"
free=$(df -Pm "$(dirname "$work")" | awk 'NR == 2 { print $4 }')
if [ "$free" -lt "$need" ]; then
  echo "scale.sh: $total photos need about $need MB in $(dirname "$work"); $free MB free" >&2
  exit 1
fi
rm -rf "$work"
[ "${TOVRIN_SCALE_KEEP:-0}" = 1 ] || trap 'rm -rf "$work"' EXIT
mkdir -p "$work/state" "$out"
export XDG_STATE_HOME="$work/state"
photos="$work/photos"

# One tiny picture body for all photos.
body="$work/body.jpg"
convert -size 160x120 -seed 7 plasma:fractal -quality 85 "$body"

# Each corpus header in front of the body once, for tovrin-cli to judge.
python3 - "$corpus" "$body" "$work/candidates" <<'PY'
import os, sys
corpus, body_path, dest = sys.argv[1:4]

def segments(data):
    pos, found = 2, []
    while pos + 4 <= len(data) and data[pos] == 0xFF:
        marker = data[pos + 1]
        length = int.from_bytes(data[pos + 2:pos + 4], "big")
        found.append((marker, pos, pos + 2 + length))
        pos += 2 + length
    return found

def exif_header(data):
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
tail = 2
for marker, start, end in segments(body):
    if not 0xE0 <= marker <= 0xEF:
        break
    tail = end
body = body[tail:]
os.makedirs(dest)
for i, name in enumerate(sorted(os.listdir(corpus))):
    if name.lower().endswith((".jpg", ".jpeg")):
        header = exif_header(open(os.path.join(corpus, name), "rb").read())
        # Small photos: headers with a large thumbnail or maker data are left out.
        if header and len(header) <= 16384:
            with open(os.path.join(dest, "c%03d.jpg" % i), "wb") as f:
                f.write(header + body)
PY
"$cli" info --quiet "$work/candidates"/*.jpg >"$work/candidates.json" || true
# And only those where the floor writes the very bytes tovrin-cli writes: each
# sets the dates of its own copy, and the copies must come out the same.
cp -a "$work/candidates" "$work/by-cli"
cp -a "$work/candidates" "$work/by-floor"
"$cli" set --date 2007-01-23 --time 09:05:00 --no-log --quiet "$work/by-cli"/*.jpg >/dev/null || true
ls "$work/by-floor"/*.jpg >"$work/by-floor.txt"
"$floor" set "$work/by-floor.txt" >/dev/null 2>&1 || true
rm -rf "$work/state"/*

echo "making $total photos ..." >&2
python3 - "$work/candidates.json" "$photos" "$total" "$work/by-cli" "$work/by-floor" <<'PY'
import json, os, re, sys
info, dest, total, by_cli, by_floor = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5]
moment = re.compile(r"^\d{4}:\d\d:\d\d \d\d:\d\d:\d\d$")
chosen = []
for line in open(info, encoding="utf-8"):
    p = json.loads(line)
    # Three date texts that are moments: set, shift and undo each write all three.
    name = os.path.basename(p["path"])
    same = open(os.path.join(by_cli, name), "rb").read() == open(os.path.join(by_floor, name), "rb").read()
    if same and p.get("status") is True and all(moment.match(p.get(k) or "") for k in
                                      ("DateTime", "DateTimeOriginal", "DateTimeDigitized")):
        chosen.append(open(p["path"], "rb").read())
if not chosen:
    sys.exit("no corpus header with three dates tovrin-cli writes")
os.makedirs(dest)
for i in range(total):
    with open(os.path.join(dest, "photo%06d.jpg" % i), "wb") as f:
        f.write(chosen[i % len(chosen)])
size = sum(len(chosen[i % len(chosen)]) for i in range(total)) / total
print("%d photos from %d corpus headers, %.1f KB each on average" % (total, len(chosen), size / 1e3),
      file=sys.stderr)
PY
kb=$(du -sk "$photos" | cut -f1)
find "$photos" -name 'photo*.jpg' | sort >"$work/all.txt"
head -n "$count" "$work/all.txt" >"$work/list.txt"
# The floor's set+journal must find the three date texts of every photo.
"$floor" set "$work/list.txt" >/dev/null

# Runs a command, output discarded; prints "seconds peak-RSS-KB". Any
# failure of the command ends the script: the figures would mean nothing.
measure() {
  local start end
  start=$EPOCHREALTIME
  if ! /usr/bin/time -o "$work/rss.txt" -f %M "$@" >"$work/stdout.txt" 2>"$work/stderr.txt"; then
    echo "scale.sh: failed: $*" >&2
    tail -n 5 "$work/stderr.txt" "$work/stdout.txt" >&2
    exit 1
  fi
  end=$EPOCHREALTIME
  echo "$(echo "$end - $start" | bc -l) $(tail -n 1 "$work/rss.txt")"
}

# Counts lines of the last output holding a pattern; each run must have
# done its work on every photo.
expect() {
  local got
  got=$(grep -c -- "$1" "$work/stdout.txt" || true)
  if [ "$got" -ne "$2" ]; then
    echo "scale.sh: $3: $got of $2 lines hold $1" >&2
    exit 1
  fi
}

times="$out/scale-times.tsv"
printf "measure\tround\tphotos\tseconds\tpeak RSS KB\n" >"$times"
record() {  # measure round photos "seconds rss"
  printf "%s\t%s\t%s\t%s\n" "$1" "$2" "$3" "${4// /$'\t'}" >>"$times"
}

list="$work/list.txt"
xargs -d '\n' cat <"$work/all.txt" >/dev/null
for r in $(seq "$rounds"); do
  echo "round $r of $rounds ..." >&2
  # Each round starts with no journals, so undo --last finds the same few.
  rm -rf "$work/state"
  mkdir -p "$work/state"
  record "floor info" "$r" "$count" "$(measure "$floor" info "$list")"
  record "tovrin-cli info" "$r" "$count" "$(measure "$cli" info --quiet --files-from "$list")"
  expect '"status":true' "$count" "info"
  record "jhead" "$r" "$count" "$(measure xargs -d '\n' jhead <"$list")"
  expect '^Date/Time' "$count" "jhead"
  if [ "$have_exiftime" = 1 ]; then
    record "exiftime" "$r" "$count" "$(measure xargs -d '\n' exiftime <"$list")"
  fi
  record "floor set+journal" "$r" "$count" "$(measure "$floor" set+journal "$list" "$work/state/floor.journal")"
  rm -f "$work/state/floor.journal"
  record "tovrin-cli set --no-log" "$r" "$count" \
    "$(measure "$cli" set --date 2007-01-23 --time 09:05:00 --no-log --quiet --files-from "$list")"
  expect '"changed":true' "$count" "set"
  record "tovrin-cli shift --no-log" "$r" "$count" \
    "$(measure "$cli" shift --by +01:00 --no-log --quiet --files-from "$list")"
  expect '"changed":true' "$count" "shift"
  record "tovrin-cli undo --last --no-log" "$r" "$count" "$(measure "$cli" undo --last --no-log --quiet)"
  expect '"restored":true' "$count" "undo"
  record "tovrin-cli set" "$r" "$count" \
    "$(measure "$cli" set --date 2007-01-23 --time 09:05:00 --quiet --files-from "$list")"
  expect '"changed":true' "$count" "set with the log"
done

if [ "$scale" -ne 0 ]; then
  part=$(( scale / 10 ))
  split -l "$part" -d -a 2 "$work/all.txt" "$work/part."
  head -n "$scale" "$work/all.txt" >"$work/scale.txt"
  xargs -d '\n' cat <"$work/all.txt" >/dev/null
  rm -rf "$work/state"; mkdir -p "$work/state"
  echo "one run of $scale photos ..." >&2
  record "scale floor set+journal" 1 "$scale" "$(measure "$floor" set+journal "$work/scale.txt" "$work/state/floor.journal")"
  rm -f "$work/state/floor.journal"
  record "scale set" 1 "$scale" \
    "$(measure "$cli" set --date 2007-01-23 --time 09:05:00 --no-log --quiet --files-from "$work/scale.txt")"
  expect '"changed":true' "$scale" "set"
  record "scale shift" 1 "$scale" "$(measure "$cli" shift --by +01:00 --no-log --quiet --files-from "$work/scale.txt")"
  expect '"changed":true' "$scale" "shift"
  record "scale undo" 1 "$scale" "$(measure "$cli" undo --last --no-log --quiet)"
  expect '"restored":true' "$scale" "undo"
  rm -rf "$work/state"; mkdir -p "$work/state"
  echo "10 runs of $part photos ..." >&2
  for i in $(seq 0 9); do
    f=$(printf "%s/part.%02d" "$work" "$i")
    record "parts floor set+journal" 1 "$part" "$(measure "$floor" set+journal "$f" "$work/state/floor.journal")"
    rm -f "$work/state/floor.journal"
  done
  for i in $(seq 0 9); do
    f=$(printf "%s/part.%02d" "$work" "$i")
    record "parts set" 1 "$part" \
      "$(measure "$cli" set --date 2007-01-23 --time 09:05:00 --no-log --quiet --files-from "$f")"
    expect '"changed":true' "$part" "set"
  done
  for i in $(seq 0 9); do
    f=$(printf "%s/part.%02d" "$work" "$i")
    record "parts shift" 1 "$part" "$(measure "$cli" shift --by +01:00 --no-log --quiet --files-from "$f")"
    expect '"changed":true' "$part" "shift"
  done
  for i in $(seq 0 9); do
    record "parts undo" 1 "$part" "$(measure "$cli" undo --last --no-log --quiet)"
    expect '"restored":true' "$part" "undo"
  done
fi

# The table: medians over the rounds; for the scale rows, the ten runs' sum.
python3 - "$times" "$count" "$rounds" "$scale" "$(( kb / total ))" "$have_exiftime" >"$out/scale.txt" <<'PY'
import statistics, sys
from collections import defaultdict
times, count, rounds, scale, kb, exiftime = (sys.argv[1], int(sys.argv[2]), sys.argv[3],
                                             int(sys.argv[4]), float(sys.argv[5]), sys.argv[6] == "1")
sec, rss = defaultdict(list), defaultdict(list)
for line in open(times).read().splitlines()[1:]:
    m, _, n, s, k = line.split("\t")
    sec[m].append(float(s)); rss[m].append(int(k))
med = lambda m: statistics.median(sec[m])
rate = lambda m: count / med(m)
rows = [("what", "tovrin-cli photos/s", "beside", "its photos/s", "ratio", "tovrin-cli peak RSS KB")]
def row(name, ours, other, other_name):
    rows.append((name, "%.0f" % rate(ours), other_name, "%.0f" % rate(other),
                 "%.2f" % (med(ours) / med(other)), "%d" % max(rss[ours])))
row("info", "tovrin-cli info", "floor info", "floor info")
row("info", "tovrin-cli info", "jhead", "jhead")
if exiftime:
    row("info", "tovrin-cli info", "exiftime", "exiftime")
for op in ("set --no-log", "shift --no-log", "undo --last --no-log", "set"):
    row(op, "tovrin-cli " + op, "floor set+journal", "floor set+journal")
def table(rows):
    widths = [max(len(r[i]) for r in rows) for i in range(len(rows[0]))]
    return "\n".join("  ".join(c.ljust(w) if i in (0, 2) else c.rjust(w)
                               for i, (c, w) in enumerate(zip(r, widths))) for r in rows)
print("%d photos of %.0f KB on average, %s rounds (medians), warm cache" % (count, kb, rounds))
print(table(rows))
print("ratio: tovrin-cli's time over the other's (1.00 as fast, 2.00 twice as long).")
if not exiftime:
    print("exiftime: no Debian package, so not measured.")
if scale:
    part = scale // 10
    rows = [("what", "1 x %d photos/s" % scale, "10 x %d photos/s" % part, "ratio", "peak RSS KB 1 x %d" % scale, "peak RSS KB 10 x %d" % part)]
    for op in ("floor set+journal", "set", "shift", "undo"):
        one, ten = sec["scale " + op][0], sum(sec["parts " + op])
        rows.append(("floor set+journal" if op.startswith("floor") else op + " --no-log",
                     "%.0f" % (scale / one), "%.0f" % (scale / ten), "%.2f" % (one / ten),
                     "%d" % rss["scale " + op][0], "%d" % max(rss["parts " + op])))
    print()
    print("one run of %d photos beside 10 runs of %d (one round)" % (scale, part))
    print(table(rows))
    print("ratio: the one run's time over the ten runs' together (goal: at most 2.00).")
PY
echo
cat "$out/scale.txt"
echo "times: $times"
echo "table: $out/scale.txt"
