#!/bin/sh
# check-install.sh BUILD_DIR SOURCE_DIR
#
# Runs `cmake --install BUILD_DIR --prefix /usr` with DESTDIR pointing at a
# temporary folder, then checks what landed there: both programs executable,
# the icon at every size with the right pixel dimensions, the desktop entry and
# metainfo accepted by their validators and consistent with each other, and
# the layered format's MIME type recognised from its first four bytes by GIO
# reading the freedesktop database built from the installed package file.
# Every failure is reported; the exit status is the number of failures.
set -u
build=${1:?build folder}
source=${2:?source folder}
id=org.ardane.Ardane
layered=application/x-ardane-layered

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
need() {
  command -v "$1" >/dev/null 2>&1 || { echo "FAIL: $1 is missing (Debian package $2, listed in scripts/packages.txt)"; exit 1; }
}
need cmake cmake
need python3 python3
need desktop-file-validate desktop-file-utils
need appstreamcli appstream
need update-mime-database shared-mime-info
need gio libglib2.0-bin

tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
stage=$tmp/stage
usr=$stage/usr

if ! DESTDIR=$stage cmake --install "$build" --prefix /usr >"$tmp/install.log" 2>&1; then
  cat "$tmp/install.log"
  fail "cmake --install"
  exit 1
fi
pass "cmake --install into DESTDIR"

# Nothing may be written outside the prefix, and no caches are generated in a
# staged install (packages build those on the target system).
stray=$(cd "$stage" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[ -z "$stray" ] || fail "files outside the prefix: $stray"
[ ! -e "$usr/share/mime/mime.cache" ] || fail "staged install generated a MIME cache"

# The programs: executable ELF files.
for program in ardane ardane-batch; do
  path=$usr/bin/$program
  if [ ! -f "$path" ] || [ ! -x "$path" ]; then
    fail "$path is not an executable file"
  elif [ "$(head -c 4 "$path" | od -An -tx1 | tr -d ' ')" != 7f454c46 ]; then
    fail "$path is not an ELF executable"
  else
    pass "bin/$program"
  fi
done

# The installed batch program reads the installed 48-pixel icon.
info=$("$usr/bin/ardane-batch" info "$usr/share/icons/hicolor/48x48/apps/$id.png" 2>&1)
case ${info#"$usr/share/icons/hicolor/48x48/apps/$id.png: "} in
  "PNG (75), 48x48, "*) pass "installed ardane-batch reads the icon: $info" ;;
  *) fail "installed ardane-batch info on the icon said: $info" ;;
esac

# The icons: six PNG sizes, each exactly its size, and the SVG.
for size in 16 32 48 64 128 256; do
  png=$usr/share/icons/hicolor/${size}x${size}/apps/$id.png
  dims=$(python3 - "$png" <<'PY'
import struct, sys
try:
    data = open(sys.argv[1], 'rb').read(33)
except OSError as e:
    print('unreadable:', e); sys.exit()
if data[:8] != b'\x89PNG\r\n\x1a\n' or data[12:16] != b'IHDR':
    print('not a PNG'); sys.exit()
width, height = struct.unpack('>II', data[16:24])
print(f'{width}x{height}')
PY
)
  [ "$dims" = "${size}x${size}" ] && pass "icon ${size}x${size}" || fail "icon ${size}x${size}: $dims"
done
svg=$usr/share/icons/hicolor/scalable/apps/$id.svg
if python3 - "$svg" <<'PY'
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
assert root.tag == '{http://www.w3.org/2000/svg}svg', root.tag
box = root.get('viewBox').split()
assert len(box) == 4 and box[2] == box[3], box
PY
then pass "scalable SVG icon"; else fail "scalable SVG icon $svg"; fi

# The desktop entry.
desktop=$usr/share/applications/$id.desktop
if [ ! -f "$desktop" ]; then
  fail "missing $desktop"
else
  if desktop-file-validate "$desktop" >"$tmp/dfv.log" 2>&1 && [ ! -s "$tmp/dfv.log" ]; then
    pass "desktop-file-validate"
  else
    cat "$tmp/dfv.log"; fail "desktop-file-validate $desktop"
  fi
  key() { sed -n "s/^$1=//p" "$desktop"; }
  exec_program=$(key Exec | cut -d' ' -f1)
  [ -x "$usr/bin/$exec_program" ] && pass "Exec names the installed $exec_program" || fail "Exec=$(key Exec) names no installed program"
  [ "$(key Icon)" = "$id" ] && pass "Icon=$id" || fail "Icon=$(key Icon), the icon is installed as $id"
  # Ardane opens files through File > Open only, never from its command
  # line: the entry takes no file arguments and claims no types, so a file
  # manager never offers it for a file it would not open.
  exec_line=$(key Exec)
  [ "$exec_line" = "$exec_program" ] && pass "Exec takes no file arguments" || fail "Exec=$exec_line passes files the program ignores"
  [ -z "$(key MimeType)" ] && pass "no MimeType claimed" || fail "MimeType=$(key MimeType) claims types the program would not open from a file manager"
fi

# The AppStream metainfo, pointing at the desktop entry.
metainfo=$usr/share/metainfo/$id.metainfo.xml
if [ ! -f "$metainfo" ]; then
  fail "missing $metainfo"
else
  if appstreamcli validate --no-net "$metainfo" >"$tmp/as.log" 2>&1; then
    pass "appstreamcli validate --no-net"
  else
    cat "$tmp/as.log"; fail "appstreamcli validate --no-net $metainfo"
  fi
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
    && pass "metainfo launches $id.desktop" || fail "metainfo launchable is not $id.desktop"
fi

# The manual, unchanged.
manual=$usr/share/doc/ardane/manual.html
cmp -s "$manual" "$source/resources/help/manual.html" && pass "manual" || fail "manual at $manual"

# The MIME type: build the database from the installed package file and ask
# GIO, which reads only the databases on XDG_DATA_DIRS and XDG_DATA_HOME.
package=$usr/share/mime/packages/$id.xml
if [ ! -f "$package" ]; then
  fail "missing $package"
else
  if update-mime-database "$usr/share/mime" >"$tmp/umd.log" 2>&1 && [ -f "$usr/share/mime/mime.cache" ]; then
    pass "update-mime-database"
  else
    cat "$tmp/umd.log"; fail "update-mime-database $usr/share/mime"
  fi
  grep -q '<comment>Ardane layered image</comment>' "$usr/share/mime/$layered.xml" 2>/dev/null \
    && pass "database names $layered 'Ardane layered image'" || fail "database has no 'Ardane layered image' entry for $layered"
  mkdir -p "$tmp/home" "$tmp/files"
  # No extension, so only the content can decide.
  printf '\045\343\004\000\001\000\000\000layers follow' >"$tmp/files/layered"
  printf '\045\343\005\000\001\000\000\000layers follow' >"$tmp/files/near-miss"
  printf 'plain text, not an image' >"$tmp/files/picture.alf"
  type_of() {
    XDG_DATA_HOME=$tmp/home XDG_DATA_DIRS=$1:/usr/share GIO_USE_VFS=local \
      gio info -a standard::content-type "$2" 2>&1 | sed -n 's/^ *standard::content-type: //p'
  }
  got=$(type_of "$usr/share" "$tmp/files/layered")
  [ "$got" = "$layered" ] && pass "25 E3 04 00 is $layered" || fail "a file starting 25 E3 04 00 is '$got', not $layered"
  got=$(type_of "$usr/share" "$tmp/files/picture.alf")
  [ "$got" = "$layered" ] && pass "*.alf is $layered" || fail "a file named *.alf is '$got', not $layered"
  got=$(type_of "$usr/share" "$tmp/files/near-miss")
  [ -n "$got" ] && [ "$got" != "$layered" ] && pass "25 E3 05 00 is not layered ($got)" \
    || fail "a file starting 25 E3 05 00 is '$got'"
  # Without the installed database the same bytes are not recognised: the
  # answer above came from our entry, not from the system.
  got=$(type_of "$tmp/home" "$tmp/files/layered")
  [ -n "$got" ] && [ "$got" != "$layered" ] && pass "system database alone does not know the type ($got)" \
    || fail "without the installed database the type is '$got'"
fi

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
