#!/bin/sh
# The screen capture tests on a virtual 1024 x 768 X display with a real
# window manager (openbox), so that windows have frames and title bars.
set -eu
BIN=$1
shift
export QT_QPA_PLATFORM=xcb
export BIN
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  openbox > /dev/null 2>&1 &
  wm=$!
  # openbox announces itself on the root window when it is ready.
  i=0
  while ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
    i=$((i + 1)); [ $i -lt 100 ] || { echo "openbox did not start"; kill $wm; exit 1; }
    sleep 0.1
  done
  status=0
  "$BIN" "$@" || status=$?
  kill $wm
  exit $status
' sh "$@"
