#!/usr/bin/env bash
# Builds the seed corpora in OUTDIR/<target>/: the files our own writers make
# (fuzz_make_seeds), variants from the Debian tools that our writers never
# produce (run-length BMP, OS/2 1.x and v5 headers, TIFF with other
# compressions and tiles, progressive and CMYK JPEG, interlaced and 16-bit
# PNG, run-length Targa, Photo CD), packed DIBs cut from the BMP files, and
# the union of everything for the path-based target.
#
# Usage: fuzz/make-seeds.sh GENERATOR OUTDIR
set -euo pipefail
gen=$1
out=$2
for tool in gm tiffcp; do
  command -v "$tool" >/dev/null || { echo "make-seeds: $tool is missing (see scripts/packages.txt)" >&2; exit 1; }
done
rm -rf "$out"
mkdir -p "$out"
"$gen" "$out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A source picture: a gradient with a flat band, 23x13.
gm convert -size 23x13 gradient:red-blue -fill '#20c040' -draw 'rectangle 0,0 6,12' -depth 8 "$work/src.ppm"
src=$work/src.ppm

g() { gm convert "$@"; }
# Windows and OS/2 bitmaps.
g "$src" -colors 200 -compress RLE BMP3:"$out/bmp/gm-rle8.bmp"
g "$src" -colors 12 -type Palette -compress RLE BMP3:"$out/bmp/gm-rle4-src.bmp" || true
g "$src" BMP2:"$out/bmp/gm-os2-core.bmp"
g "$src" -matte BMP:"$out/bmp/gm-v4-alpha.bmp"
g "$src" -colors 2 -type Bilevel BMP3:"$out/bmp/gm-1bit.bmp"
# TIFF.
g "$src" "$work/plain.tif"
for c in lzw zip packbits jpeg none; do
  tiffcp -c "$c" "$work/plain.tif" "$out/tiff/tiffcp-$c.tif"
done
tiffcp -t -w 16 -l 16 "$work/plain.tif" "$out/tiff/tiffcp-tiled.tif"
tiffcp -p separate "$work/plain.tif" "$out/tiff/tiffcp-planar.tif"
g "$src" -depth 16 "$out/tiff/gm-16bit.tif"
g "$src" -colorspace CMYK "$out/tiff/gm-cmyk.tif"
g "$src" -type Bilevel -compress Group4 "$out/tiff/gm-g4.tif"
g "$src" -type Grayscale "$out/tiff/gm-grey.tif"
g "$src" -endian MSB "$out/tiff/gm-bigendian.tif"
# JPEG.
g "$src" -interlace Line "$out/jpeg/gm-progressive.jpg"
g "$src" -type Grayscale "$out/jpeg/gm-grey.jpg"
g "$src" -colorspace CMYK "$out/jpeg/gm-cmyk.jpg"
g "$src" -sampling-factor 1x1 -quality 95 "$out/jpeg/gm-444.jpg"
# PNG.
g "$src" -interlace Line "$out/png/gm-interlaced.png"
g "$src" -depth 16 "$out/png/gm-16bit.png"
g "$src" -type Grayscale "$out/png/gm-grey.png"
g "$src" -matte -type TrueColorMatte "$out/png/gm-alpha.png"
g "$src" -colors 5 PNG8:"$out/png/gm-png8.png"
# GIF.
g "$src" -interlace Line -colors 30 "$out/gif/gm-interlaced.gif"
g "$src" -colors 3 "$out/gif/gm-3colours.gif"
# Targa and PCX.
g "$src" -compress RLE "$out/tga/gm-rle.tga"
g "$src" -colors 40 -type Palette "$out/tga/gm-palette.tga"
g "$src" -type Grayscale "$out/tga/gm-grey.tga"
g "$src" "$out/pcx/gm-24bit.pcx"
g "$src" -colors 40 -type Palette "$out/pcx/gm-8bit.pcx"
# Photo CD: one base-resolution image.
mkdir -p "$out/pcd"
g "$src" PCD:"$out/pcd/gm.pcd"

# Packed DIBs: the BMP files without their 14-byte file header.
for f in "$out"/bmp/*.bmp; do
  tail -c +15 "$f" >"$out/dib/$(basename "${f%.bmp}").dib"
done
# The path-based target sees every format.
mkdir -p "$out/file"
for d in "$out"/*/; do
  t=$(basename "$d")
  [ "$t" = file ] || [ "$t" = dib ] && continue
  for f in "$d"*; do cp "$f" "$out/file/$t-$(basename "$f")"; done
done
echo "seeds: $(find "$out" -type f | wc -l) files in $out"
