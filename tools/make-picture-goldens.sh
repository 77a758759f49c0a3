#!/usr/bin/env bash
# Remakes the small pictures the picture tests decode, each with the pixels ImageMagick reads from
# it as a binary PPM beside it (the expected result). Run from anywhere; needs ImageMagick.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/tests/data/pictures"
mkdir -p "$out"
cd "$out"
src=$(mktemp --suffix=.png)
trap 'rm -f "$src"' EXIT
# 37 x 23: odd sizes exercise row padding; a gradient and a few shapes give every depth real work.
convert -size 37x23 gradient:'#d04010-#1060c0' \
  -fill '#20c040' -draw 'circle 12,11 12,3' -fill white -draw 'rectangle 24,4 33,18' "$src"

convert "$src" -compress none BMP3:bmp24.bmp
convert "$src" -colors 200 -compress none -type palette BMP3:bmp8.bmp
convert "$src" -colors 200 -compress RLE -type palette BMP3:bmp8-rle.bmp
convert "$src" -colors 16 -compress none BMP3:bmp4.bmp
convert "$src" -monochrome -compress none BMP3:bmp1.bmp
convert "$src" -alpha set -compress none -define bmp:format=bmp3 -define bmp3:alpha=true BMP3:bmp32.bmp
convert "$src" -quality 90 colour.jpg
convert "$src" -colorspace gray -quality 90 grey.jpg
convert "$src" -colors 256 pcx8.pcx
convert "$src" -define icon:auto-resize=32,16 icon.ico
for f in bmp24.bmp bmp8.bmp bmp4.bmp bmp1.bmp bmp32.bmp colour.jpg grey.jpg pcx8.pcx; do
  convert "$f" -alpha off -depth 8 "PPM:${f%.*}.ppm"
done
convert 'icon.ico[0]' -alpha off -depth 8 PPM:icon.ppm
