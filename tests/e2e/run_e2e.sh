#!/bin/sh
# The real program on a virtual X display: it opens a file named through the
# test seam, a screenshot of the whole screen must show the image's pixels in
# its window at the margin, and SIGTERM must end it with the profile written.
set -eu
BIN=$1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# 200 x 120: red, green / blue, white quadrants.
convert \( -size 100x60 xc:'#ff0000' -size 100x60 xc:'#00ff00' +append \) \
        \( -size 100x60 xc:'#0000ff' -size 100x60 xc:'#ffffff' +append \) -append \
        -type TrueColor -depth 8 "PNG24:$WORK/quad.png"

export XDG_CONFIG_HOME="$WORK/config"
# The floating palettes wait at the right of the screen, clear of the image.
mkdir -p "$WORK/config/Ardane"
printf '[GENERAL]\nTOOLPAL_X=1150\nTOOLPAL_Y=100\nBRUSHPAL_X=1000\nBRUSHPAL_Y=500\nSPRAYPAL_X=1000\nSPRAYPAL_Y=700\n' \
  > "$WORK/config/Ardane/Ardane.ini"
export ARDANE_TEST_OPEN="$WORK/quad.png"
export ARDANE_TEST_REPORT="$WORK/report.txt"
export QT_QPA_PLATFORM=xcb
export BIN WORK
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  "$BIN" > "$WORK/out.txt" 2>&1 &
  pid=$!
  sleep 5   # the logo goes after three seconds
  import -window root "$WORK/shot.png"
  kill -TERM $pid
  status=0
  wait $pid || status=$?
  echo "$status" > "$WORK/exit.txt"
'

fail() { echo "FAIL: $*"; cat "$WORK/out.txt" 2>/dev/null; exit 1; }
[ -f "$WORK/report.txt" ] || fail "the program wrote no report"
cat "$WORK/report.txt"
set -- $(grep '^image ' "$WORK/report.txt")
X=$2 Y=$3 W=$4 H=$5
set -- $(grep '^viewport ' "$WORK/report.txt")
VX=$2 VY=$3
[ "$W" = 200 ] && [ "$H" = 120 ] || fail "image shown at ${W}x${H}, not 200x120"
[ $((X - VX)) = 20 ] && [ $((Y - VY)) = 20 ] || fail "image not at the 20-pixel margin"

pixel() { convert "$WORK/shot.png" -crop "1x1+$1+$2" -depth 8 txt:- | tail -n 1 | grep -o '#[0-9A-F]\{6\}'; }
expect() {
  got=$(pixel "$1" "$2")
  [ "$got" = "$3" ] || fail "pixel ($1,$2) is $got, expected $3 ($4)"
  echo "ok: ($1,$2) $got $4"
}
expect $((X + 10)) $((Y + 10)) '#FF0000' "top left quadrant"
expect $((X + 190)) $((Y + 10)) '#00FF00' "top right quadrant"
expect $((X + 10)) $((Y + 110)) '#0000FF' "bottom left quadrant"
expect $((X + 190)) $((Y + 110)) '#FFFFFF' "bottom right quadrant"
expect $((X + 199)) $((Y + 119)) '#FFFFFF' "last image pixel"
expect $((X - 10)) $((Y + 10)) '#008080' "margin in the view background"
expect $((X + 210)) $((Y + 130)) '#008080' "margin after the image"

[ "$(cat "$WORK/exit.txt")" = 0 ] || fail "exit status $(cat "$WORK/exit.txt") after SIGTERM"
INI="$WORK/config/Ardane/Ardane.ini"
[ -f "$INI" ] || fail "no profile written after SIGTERM"
grep -q '^\[GENERAL\]$' "$INI" || fail "profile lacks [GENERAL]"
grep -q "^File1=$WORK/quad.png$" "$INI" || fail "recent file list not written"
echo "e2e passed"
