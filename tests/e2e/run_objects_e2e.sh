#!/bin/sh
# Drawing objects in the real program on a virtual X display: draw a
# rectangle and a text with the mouse over a layered file, save it (a plain
# save writes the layered format again), reopen it, select each object and
# merge it, save again. The file must then hold no objects and the merged
# pixels. Screenshots stay in the output folder for a look.
set -eu
BIN=$1
BATCH=$2
OUT=$3
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"

convert -size 400x300 xc:'#ffffff' -type TrueColor "BMP3:$WORK/blank.bmp"
"$BATCH" convert "$WORK/blank.bmp" "$WORK/canvas.alf"
cp "$WORK/canvas.alf" "$WORK/blank.alf"

export XDG_CONFIG_HOME="$WORK/config"
mkdir -p "$WORK/config/Ardane"
# Palettes at the right, clear of the image; the pen colour is red (0x0000FF).
printf '[GENERAL]\nTOOLPAL_X=1100\nTOOLPAL_Y=100\nBRUSHPAL_X=900\nBRUSHPAL_Y=600\nSPRAYPAL_X=900\nSPRAYPAL_Y=800\n[Preference]\nDEFAULT_COLOR=255\n' \
  > "$WORK/config/Ardane/Ardane.ini"
export ARDANE_TEST_OPEN="$WORK/canvas.alf"
export ARDANE_TEST_REPORT="$WORK/report.txt"
export ARDANE_TEST_LAYOUT="$WORK/layout.txt"
export QT_QPA_PLATFORM=xcb
export BIN WORK OUT

# Starts the program on the file, runs the steps given, saves and waits for
# the file to change, then stops the program.
session() {
  rm -f "$WORK/report.txt" "$WORK/layout.txt"
  cp "$WORK/canvas.alf" "$WORK/before.alf"
  STEPS=$1 xvfb-run -a -s "-screen 0 1280x1024x24" sh -ec '
    "$BIN" >> "$WORK/out.txt" 2>&1 &
    pid=$!
    for i in $(seq 1 100); do [ -f "$WORK/layout.txt" ] && [ -f "$WORK/report.txt" ] && break; sleep 0.1; done
    sleep 0.5
    field() { grep "^$1 $2 " "$WORK/layout.txt" | head -n 1 | cut -d" " -f$3; }
    tool() { xdotool mousemove $(($(field palbutton tools:$1 3) + 8)) $(($(field palbutton tools:$1 4) + 8)) click 1; sleep 0.3; }
    button() { xdotool mousemove $(($(field button $1 3) + 8)) $(($(field button $1 4) + 8)) click 1; sleep 0.3; }
    set -- $(grep "^image " "$WORK/report.txt"); IX=$2; IY=$3
    at() { xdotool mousemove $((IX + $1)) $((IY + $2)); }
    band() { at $1 $2; xdotool mousedown 1; sleep 0.1; at $(( ($1 + $3) / 2 )) $(( ($2 + $4) / 2 )); sleep 0.1; at $3 $4; sleep 0.1; xdotool mouseup 1; sleep 0.3; }
    click() { at $1 $2; xdotool click 1; sleep 0.3; }
    eval "$STEPS"
    xdotool key ctrl+s
    for i in $(seq 1 100); do cmp -s "$WORK/canvas.alf" "$WORK/before.alf" || break; sleep 0.1; done
    sleep 0.3
    kill -KILL $pid
    wait $pid || true
  '
}

fail() { echo "FAIL: $*"; cat "$WORK/out.txt" 2>/dev/null; exit 1; }

# 1: a rectangle and a text drawn with the mouse.
session '
  tool 15006
  band 30 30 150 100
  tool 15003
  band 200 150 380 230
  xdotool type --delay 50 "Ardane"
  sleep 0.3
  click 60 260
  sleep 0.5
  import -window root "$OUT/objects_drawn.png"
'
info=$("$BATCH" info "$WORK/canvas.alf")
echo "after drawing: $info"
echo "$info" | grep -q ", 2 drawing objects" || fail "the saved file does not hold the two objects"

# 2: reopened, each object selected with a click and merged.
session '
  sleep 0.3
  import -window root "$OUT/objects_reopened.png"
  tool 15006
  click 90 65
  button 32973
  click 290 190
  button 32973
  sleep 0.5
  import -window root "$OUT/objects_merged.png"
'
info=$("$BATCH" info "$WORK/canvas.alf")
echo "after merging: $info"
echo "$info" | grep -q ", 0 drawing objects" || fail "the objects were not merged"
"$BATCH" convert "$WORK/canvas.alf" "$WORK/merged.bmp"
/usr/bin/python3 - "$WORK/merged.bmp" <<'PY'
import sys
from PIL import Image
img = Image.open(sys.argv[1]).convert("RGB")
assert img.size == (400, 300), img.size
red = (255, 0, 0)
px = img.load()
# The rectangle's outline, one pixel wide, from (30, 30) to (149, 99).
edges = [(x, 30) for x in range(30, 150)] + [(30, y) for y in range(30, 100)]
missing = [p for p in edges if px[p] != red]
if missing:
    print("FAIL: outline pixels not red, first", missing[:5]); sys.exit(1)
if px[90, 65] != (255, 255, 255) or px[29, 29] != (255, 255, 255):
    print("FAIL: the rectangle is filled or spills over"); sys.exit(1)
# The text's glyphs are red pixels inside its box, and nowhere else.
inside = sum(1 for y in range(150, 230) for x in range(200, 380) if px[x, y] == red)
stray = sum(1 for y in range(300) for x in range(400)
            if px[x, y] == red and not (200 <= x < 380 and 150 <= y < 230) and not (30 <= x < 151 and 30 <= y < 101))
if inside < 40 or stray:
    print("FAIL: text pixels inside %d, stray red pixels %d" % (inside, stray)); sys.exit(1)
print("merged: rectangle outline exact, %d text pixels in the box" % inside)
PY
echo "objects e2e passed"
