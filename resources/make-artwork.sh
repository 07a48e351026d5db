#!/bin/sh
# Draws the program's cursors and start-up logo with ImageMagick. The PNGs are
# kept in the repository; run this only to change the artwork.
set -e
cd "$(dirname "$0")"
c() { name=$1; shift; convert -size 32x32 xc:none -stroke black -strokewidth 1 -fill white "$@" "cursors/$name.png"; }
c CURSORNE -strokewidth 3 -draw "line 6,25 25,6" -stroke white -strokewidth 1 -draw "line 6,25 25,6" -stroke black -draw "polygon 25,6 16,7 24,15" -draw "polygon 6,25 7,16 15,24"
c CURSORNW -strokewidth 3 -draw "line 6,6 25,25" -stroke white -strokewidth 1 -draw "line 6,6 25,25" -stroke black -draw "polygon 6,6 15,7 7,15" -draw "polygon 25,25 16,24 24,16"
c CURSOREW -draw "polygon 2,15 9,8 9,12 22,12 22,8 29,15 22,22 22,18 9,18 9,22"
c CURSORNS -draw "polygon 15,2 8,9 12,9 12,22 8,22 15,29 22,22 18,22 18,9 22,9"
c CURSORNSEW -draw "polygon 15,1 10,6 13,6 13,13 6,13 6,10 1,15 6,20 6,17 13,17 13,24 10,24 15,29 20,24 17,24 17,17 24,17 24,20 29,15 24,10 24,13 17,13 17,6 20,6"
c CURSORCROSS -fill none -strokewidth 3 -stroke white -draw "line 15,2 15,29" -draw "line 2,15 29,15" -strokewidth 1 -stroke black -draw "line 15,2 15,29" -draw "line 2,15 29,15"
c CURSORPC -draw "polygon 2,29 4,23 17,10 21,14 8,27" -fill black -draw "polygon 17,10 21,6 26,5 27,10 25,12 21,14"
c CURSORSPRAY -draw "rectangle 12,12 24,29" -fill black -draw "rectangle 15,7 21,12" -draw "point 4,4" -draw "point 8,2" -draw "point 2,9" -draw "point 7,7" -draw "point 10,4" -draw "point 5,12"
c CURSORPEN -draw "polygon 1,30 3,23 22,4 27,9 8,28" -fill black -draw "polygon 1,30 3,25 6,28" -draw "polygon 22,4 24,2 29,7 27,9"
c CURSORFILL -draw "polygon 6,14 16,4 28,16 18,26" -draw "line 16,4 13,1" -fill black -draw "polygon 2,14 6,14 6,24 3,26 1,22"
c CURSORHAND -draw "roundrectangle 7,12 25,29 4,4" -draw "roundrectangle 8,4 12,16 2,2" -draw "roundrectangle 12,2 16,15 2,2" -draw "roundrectangle 16,3 20,15 2,2" -draw "roundrectangle 20,6 24,16 2,2"
c FINGER -draw "roundrectangle 8,14 24,30 4,4" -draw "roundrectangle 12,1 16,18 2,2" -draw "line 17,15 17,19" -draw "line 20,15 20,19"
c CURSORSC1 -fill none -draw "rectangle 13,13 18,18" -draw "line 15,9 15,12" -draw "line 15,19 15,22" -draw "line 9,15 12,15" -draw "line 19,15 22,15"
c CURSORSC2 -fill none -draw "rectangle 10,10 21,21" -draw "line 15,5 15,9" -draw "line 15,22 15,26" -draw "line 5,15 9,15" -draw "line 22,15 26,15"
c CURSORSC3 -fill none -draw "rectangle 6,6 25,25" -draw "line 15,1 15,5" -draw "line 15,26 15,30" -draw "line 1,15 5,15" -draw "line 26,15 30,15"
c CURSORSM1 -fill none -draw "circle 15,15 15,18" -draw "point 15,15"
c CURSORSM2 -fill none -draw "circle 15,15 15,21" -draw "point 15,15"
c CURSORSM3 -fill none -draw "circle 15,15 15,26" -draw "point 15,15"

# Logo: a palette of colour blots on a dark blue ground, with the name.
convert -size 420x240 gradient:'#1b2a4a'-'#35557f' \
  -fill '#f0e6d2' -stroke '#5a4632' -strokewidth 3 -draw "ellipse 110,120 80,62 0,360" \
  -fill '#35557f' -stroke none -draw "circle 140,160 140,174" \
  -stroke none -fill '#d83a34' -draw "circle 72,92 72,104" \
  -fill '#f2b630' -draw "circle 108,78 108,90" \
  -fill '#3f9e4d' -draw "circle 146,90 146,102" \
  -fill '#2f6fd0' -draw "circle 74,134 74,146" \
  -fill '#8e44ad' -draw "circle 106,148 106,158" \
  -fill white -stroke none -font DejaVu-Sans-Bold -pointsize 46 -draw "text 212,126 'Ardane'" \
  -fill '#c9d6ea' -font DejaVu-Sans -pointsize 16 -draw "text 214,158 'Paint and image editing'" \
  -fill '#9fb3cf' -pointsize 12 -draw "text 214,214 'Version 0.1'" \
  -depth 8 images/logo.png
