#!/usr/bin/env bash
# Draws the programs' icons (icon 101) with ImageMagick: a flat orange tile
# with a white symbol, at 16, 24, 32, 48 and 256 pixels.
#   updater:  a downward arrow into a tray
#   launcher: a play triangle
set -euo pipefail
out=${1:-$(cd "$(dirname "$0")/.." && pwd)/resources/icons}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

tile() {
  convert -size 256x256 xc:none -fill '#FF9A00' -draw 'roundrectangle 8,8 247,247 44,44' \
    -fill '#E08600' -draw 'roundrectangle 8,200 247,247 44,44' \
    -fill '#FF9A00' -draw 'rectangle 8,190 247,215' "$1"
}

tile "$work/updater.png"
convert "$work/updater.png" -fill white \
  -draw 'rectangle 110,52 146,132' -draw 'polygon 78,120 178,120 128,176' \
  -draw 'rectangle 64,188 192,206' "$work/updater.png"
tile "$work/launcher.png"
convert "$work/launcher.png" -fill white -draw 'polygon 96,64 96,192 196,128' "$work/launcher.png"

for name in updater launcher; do
  convert "$work/$name.png" -define icon:auto-resize=256,48,32,24,16 "$out/$name.ico"
done
echo "icons written to $out"
