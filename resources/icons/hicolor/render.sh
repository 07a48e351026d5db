#!/bin/sh
# Renders the application icon's PNG sizes from the hand-drawn SVG with
# rsvg-convert (Debian package librsvg2-bin). The PNGs are kept in the
# repository, so neither building nor installing needs the renderer; run this
# only after changing scalable/apps/org.ardane.Ardane.svg.
set -e
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  mkdir -p "${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" scalable/apps/org.ardane.Ardane.svg -o "${size}x${size}/apps/org.ardane.Ardane.png"
done
