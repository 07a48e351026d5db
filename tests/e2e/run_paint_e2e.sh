#!/bin/sh
# The real program on a virtual X display, driven like a person would: click
# the pen on the tool palette, drag across the image, save with Ctrl+S, and
# the saved file must hold exactly the pixels of the stepped path. Screenshots
# of the strokes at 100 % and at 400 % stay in the output folder for a look.
set -eu
BIN=$1
OUT=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"

# A white 24-bit BMP of 400 x 300.
convert -size 400x300 xc:'#ffffff' -type TrueColor "BMP3:$WORK/canvas.bmp"
cp "$WORK/canvas.bmp" "$WORK/blank.bmp"

export XDG_CONFIG_HOME="$WORK/config"
mkdir -p "$WORK/config/Ardane"
# Palettes at the right, clear of the image; the pen colour is red (0x0000FF).
printf '[GENERAL]\nTOOLPAL_X=1100\nTOOLPAL_Y=100\nBRUSHPAL_X=900\nBRUSHPAL_Y=600\nSPRAYPAL_X=900\nSPRAYPAL_Y=800\n[Preference]\nDEFAULT_COLOR=255\n' \
  > "$WORK/config/Ardane/Ardane.ini"
export ARDANE_TEST_OPEN="$WORK/canvas.bmp"
export ARDANE_TEST_REPORT="$WORK/report.txt"
export ARDANE_TEST_LAYOUT="$WORK/layout.txt"
export QT_QPA_PLATFORM=xcb
export BIN WORK OUT
xvfb-run -a -s "-screen 0 1280x1024x24" sh -ec '
  "$BIN" > "$WORK/out.txt" 2>&1 &
  pid=$!
  for i in $(seq 1 100); do [ -f "$WORK/layout.txt" ] && [ -f "$WORK/report.txt" ] && break; sleep 0.1; done
  sleep 0.5
  field() { grep "^$1 $2 " "$3" | head -n 1 | cut -d" " -f$4; }
  BX=$(field palbutton tools:15007 "$WORK/layout.txt" 3); BY=$(field palbutton tools:15007 "$WORK/layout.txt" 4)
  set -- $(grep "^image " "$WORK/report.txt"); IX=$2; IY=$3
  echo "pen button at $BX,$BY; image at $IX,$IY" > "$WORK/where.txt"
  xdotool mousemove $((BX + 8)) $((BY + 8)) click 1
  sleep 0.3
  # The stroke: press at (20, 30), a slanted move to (60, 45), then right to (100, 45).
  xdotool mousemove $((IX + 20)) $((IY + 30)) mousedown 1
  sleep 0.1
  xdotool mousemove $((IX + 60)) $((IY + 45))
  sleep 0.1
  xdotool mousemove $((IX + 100)) $((IY + 45))
  sleep 0.1
  xdotool mouseup 1
  sleep 0.3
  import -window root "$OUT/paint_100.png"
  xdotool key ctrl+s
  # Wait for the save to replace the file (a busy machine may take a while).
  for i in $(seq 1 100); do cmp -s "$WORK/canvas.bmp" "$WORK/blank.bmp" || break; sleep 0.1; done
  sleep 0.2
  cp "$WORK/canvas.bmp" "$WORK/saved.bmp"
  # At 400 %: Ctrl+N back to 100 is the only zoom key; use the zoom-in button three times.
  ZX=$(field button 32842 "$WORK/layout.txt" 3); ZY=$(field button 32842 "$WORK/layout.txt" 4)
  for k in 1 2 3; do xdotool mousemove $((ZX + 8)) $((ZY + 8)) click 1; sleep 0.2; done
  # At 400 % the window shows image pixels (0, 0) to about (100, 75): a
  # stroke from image (5, 5) to image (40, 20).
  xdotool mousemove $((IX + 20)) $((IY + 20)) mousedown 1
  sleep 0.1
  xdotool mousemove $((IX + 160)) $((IY + 80))
  sleep 0.1
  xdotool mouseup 1
  sleep 1
  import -window root "$OUT/paint_400.png"
  # The image is modified again: a polite end would ask whether to save it.
  kill -KILL $pid
  wait $pid || true
'
fail() { echo "FAIL: $*"; cat "$WORK/where.txt" "$WORK/out.txt" 2>/dev/null; exit 1; }
cat "$WORK/where.txt"
[ -f "$WORK/saved.bmp" ] || fail "nothing saved"
# The expected stroke, stepped 4-connected exactly as the pen does, drawn by
# an independent script; compare every pixel of the saved file with it.
/usr/bin/python3 - "$WORK/saved.bmp" <<'PY'
import sys
from PIL import Image
img = Image.open(sys.argv[1]).convert("RGB")
w, h = img.size
assert (w, h) == (400, 300), (w, h)
expected = set()
def step(c, p):
    (cx, cy), (px, py) = c, p
    dx, dy = abs(px - cx), abs(py - cy)
    sx = -1 if cx > px else 1
    sy = -1 if cy > py else 1
    e = 0
    if dy > dx:
        x = cx
        for y in range(cy, py + sy, sy):
            expected.add((x, y))
            if e >= dy:
                x += sx; expected.add((x, y)); e -= dy
            e += dx
    else:
        y = cy
        for x in range(cx, px + sx, sx):
            expected.add((x, y))
            if e >= dx:
                y += sy; expected.add((x, y)); e -= dx
            e += dy
step((20, 30), (20, 30))
step((20, 30), (60, 45))
step((60, 45), (100, 45))
bad = []
for y in range(h):
    for x in range(w):
        want = (255, 0, 0) if (x, y) in expected else (255, 255, 255)
        got = img.getpixel((x, y))
        if got != want:
            bad.append((x, y, got, want))
if bad:
    print("FAIL: %d pixels differ, first %s" % (len(bad), bad[:5]))
    sys.exit(1)
print("saved stroke matches the stepped path: %d red pixels" % len(expected))
PY
# On the screen at 400 %, the stroke's first image pixel (5, 5) is a red
# 4 x 4 block at the image's corner plus (20, 20).
set -- $(grep "^image " "$WORK/report.txt")
red=$(convert "$OUT/paint_400.png" -crop "4x4+$(($2 + 20))+$(($3 + 20))" -depth 8 txt:- | grep -c '#FF0000' || true)
[ "$red" = 16 ] || fail "the 400 % stroke does not show a red 4 x 4 block ($red red pixels)"
echo "ok: 400 % stroke on screen"
echo "paint e2e passed"
