#!/usr/bin/env bash
# The layer check must fail on a tree that breaks a rule, and pass on one that
# keeps them: a small made-up src/ with one file per kind of fault.
set -euo pipefail
check="$1"; widgets="$2"
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
mk() { mkdir -p "$(dirname "$tmp/$1")"; printf '%s\n' "$2" > "$tmp/$1"; }

expect() { # expect STATUS PATTERN: run the check, compare status and output
  set +e; out=$(python3 "$check" "$tmp/src" --qt-widgets-dir "$widgets" ${LINKS:+--links "$LINKS"} 2>&1); rc=$?; set -e
  if [ "$rc" != "$1" ] || ! grep -q -- "$2" <<<"$out"; then
    echo "expected status $1 and '$2', got $rc:"; echo "$out"; exit 1
  fi
}

mk src/core/A.h '#include "core/B.h"'
mk src/core/B.h '#include <QString>'
mk src/imaging/C.cpp '#include "core/A.h"'
mk src/app/D.h '#include <QWidget>'
mk src/view/V.h '#include "app/D.h"'
expect 0 "layers hold"

mk src/doc/E.cpp '#include "view/V.h"'
expect 1 "doc/E.cpp:1: doc/ includes view/V.h from view/"
rm "$tmp/src/doc/E.cpp"

mk src/imaging/F.cpp '#include "../app/D.h"'
expect 1 "imaging/F.cpp:1: imaging/ includes ../app/D.h from app/"
rm "$tmp/src/imaging/F.cpp"

mk src/core/G.h '#include <QDialog>'
expect 1 "core/G.h:1: includes the widget header <QDialog>"
mk src/core/G.h '#include <QtWidgets/QLabel>'
expect 1 "includes the widget header <QtWidgets/QLabel>"
rm "$tmp/src/core/G.h"

mk src/core/H.h '#include "imaging/C.h"'
expect 1 "core/ includes imaging/C.h from imaging/"
rm "$tmp/src/core/H.h"

mk src/paint/P.cpp '#include "capture/Grab.h"'
expect 1 "paint/ includes capture/Grab.h from capture/"
rm "$tmp/src/paint/P.cpp"

printf 'ardane_doc|ardane_imaging;Qt6::Core\nardane_imaging|ardane_core;Qt6::Gui\nardane_core|Qt6::Core\n' > "$tmp/links"
LINKS="$tmp/links" expect 0 "layers hold"
printf 'ardane_doc|ardane_imaging\nardane_imaging|ardane_core;ardane_view\nardane_view|Qt6::Widgets\n' > "$tmp/links"
LINKS="$tmp/links" expect 1 "target ardane_imaging (imaging/) links ardane_view from view/"
LINKS="$tmp/links" expect 1 "target ardane_doc (doc/) links Qt6::Widgets"
echo "self test passed"
