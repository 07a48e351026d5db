#!/bin/sh
# The real program's first run on a virtual X display: a screenshot must show
# both bars with an image on every button, the colour wells in the default
# pen and background colours, and the three palettes at their first-run
# places, side by side. Their places must be in the profile after SIGTERM.
# The screenshot stays in the folder given (default: a temporary one).
set -eu
BIN=$1
OUT=${2:-}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
[ -n "$OUT" ] || OUT=$WORK
mkdir -p "$OUT"
SHOT="$OUT/shell.png"

export XDG_CONFIG_HOME="$WORK/config"
export ARDANE_TEST_LAYOUT="$WORK/layout.txt"
export QT_QPA_PLATFORM=xcb
export BIN WORK SHOT
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  "$BIN" > "$WORK/out.txt" 2>&1 &
  pid=$!
  i=0
  while [ ! -f "$WORK/layout.txt" ] && [ $i -lt 150 ]; do sleep 0.1; i=$((i + 1)); done
  sleep 0.5   # the last paint after the logo
  import -window root "$SHOT"
  kill -TERM $pid
  status=0
  wait $pid || status=$?
  echo "$status" > "$WORK/exit.txt"
'

fail() { echo "FAIL: $*"; cat "$WORK/out.txt" 2>/dev/null; exit 1; }
[ -f "$WORK/layout.txt" ] || fail "the program wrote no layout"
cat "$WORK/layout.txt"
echo "screenshot: $SHOT"

# field <kind> <name> <n>: the n-th number of a layout line (1 = x).
field() { awk -v k="$1" -v n="$2" -v f="$3" '$1 == k && $2 == n { print $(f + 2) }' "$WORK/layout.txt"; }
colours() { convert "$SHOT" -crop "$3x$4+$1+$2" +repage -format %k info:; }
pixel() { convert "$SHOT" -crop "1x1+$1+$2" -depth 8 txt:- | tail -n 1 | grep -o '#[0-9A-F]\{6\}'; }

# The palettes: tools at its first-run place, the style palettes at theirs
# unless that covers a palette already placed, then beside it.
TX=$(field palette tools 1) TY=$(field palette tools 2) TW=$(field palette tools 3) TH=$(field palette tools 4)
BX=$(field palette brush 1) BY=$(field palette brush 2) BW=$(field palette brush 3) BH=$(field palette brush 4)
SX=$(field palette spray 1) SY=$(field palette spray 2) SW=$(field palette spray 3) SH=$(field palette spray 4)
for p in tools brush spray; do
  [ "$(field palette $p 5)" = shown ] || fail "palette $p not shown"
done
[ "$TX,$TY" = "200,100" ] || fail "tool palette at $TX,$TY, not 200,100"
[ "$BX,$BY" = "$((TX + TW + 10)),150" ] || fail "brush palette at $BX,$BY, not beside the tool palette"
[ "$SX,$SY" = "$((BX + BW + 10)),200" ] || fail "spray palette at $SX,$SY, not beside the brush palette"
[ "$TW" -ge 60 ] && [ "$TH" -ge 150 ] || fail "tool palette only ${TW}x$TH"

# On the screen: each palette shows its button images (many colours, not an
# empty panel), and its top-left corner is the palette's own background.
for p in "$TX $TY $TW $TH tools" "$BX $BY $BW $BH brush" "$SX $SY $SW $SH spray"; do
  set -- $p
  n=$(colours "$1" "$2" "$3" "$4")
  [ "$n" -ge 8 ] || fail "palette $5 shows only $n colours"
  echo "ok: palette $5 at $1,$2 shows $n colours"
done
MDI=$(pixel 700 600)
[ "$(pixel $((TX + 2)) $((TY + TH - 2)))" != "$MDI" ] || fail "tool palette not drawn over the window"

# Both bars above the palettes, every button with an image of its own.
QY=$(field toolbar quick 2) QH=$(field toolbar quick 4)
[ "$(field toolbar main 5)" = shown ] && [ "$(field toolbar quick 5)" = shown ] || fail "a bar is hidden"
[ $((QY + QH)) -le "$TY" ] || fail "the quick command bar reaches into the tool palette"
grep -q '^button .* noicon$' "$WORK/layout.txt" && fail "a button without an image"
buttons=0
while read -r kind id x y w h icon; do
  [ "$kind" = button ] || continue
  n=$(colours $((x + 2)) $((y + 2)) $((w - 4)) $((h - 4)))
  [ "$n" -ge 3 ] || fail "button $id at $x,$y shows $n colours"
  buttons=$((buttons + 1))
done < "$WORK/layout.txt"
[ "$buttons" = 32 ] || fail "$buttons buttons on the bars, expected 12 + 20"
echo "ok: $buttons buttons show their images"

# The colour wells show the default pen (white) and background (0x808000) colours.
set -- $(field control penwell 1) $(field control penwell 2) $(field control penwell 3) $(field control penwell 4)
[ "$(pixel $(($1 + $3 / 2)) $(($2 + $4 / 2)))" = '#FFFFFF' ] || fail "pen colour well not white"
set -- $(field control backgroundwell 1) $(field control backgroundwell 2) $(field control backgroundwell 3) $(field control backgroundwell 4)
[ "$(pixel $(($1 + $3 / 2)) $(($2 + $4 / 2)))" = '#008080' ] || fail "background colour well not 0x808000"
echo "ok: colour wells"

# The font boxes lie wholly inside the main toolbar.
MX=$(field toolbar main 1) MY=$(field toolbar main 2) MW=$(field toolbar main 3) MH=$(field toolbar main 4)
for c in fontname fontsize angle; do
  set -- $(field control $c 1) $(field control $c 2) $(field control $c 3) $(field control $c 4)
  [ "$1" -ge "$MX" ] && [ "$2" -ge "$MY" ] && [ $(($1 + $3)) -le $((MX + MW)) ] && [ $(($2 + $4)) -le $((MY + MH)) ] \
    || fail "control $c at $1,$2 ${3}x$4 outside the main toolbar"
done
echo "ok: toolbar controls"

[ "$(cat "$WORK/exit.txt")" = 0 ] || fail "exit status $(cat "$WORK/exit.txt") after SIGTERM"
INI="$WORK/config/Ardane/Ardane.ini"
for kv in TOOLPAL_X=$TX TOOLPAL_Y=$TY BRUSHPAL_X=$BX SPRAYPAL_X=$SX SHOW_TOOLPAL=1 SHOW_SPRAYPAL=1; do
  grep -q "^$kv$" "$INI" || fail "profile lacks $kv"
done
echo "shell screenshot passed"
