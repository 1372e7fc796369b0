#!/bin/sh
# Draws the icons of the service manager (ImageMagick). The outputs are committed; run this
# again after changing a drawing.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Installer result: a yellow warning triangle with a black exclamation mark.
convert -size 32x32 xc:none -fill '#f2c200' -stroke '#6b5200' -strokewidth 1.5 \
    -draw 'polygon 16,2 30,28 2,28' -stroke none -fill black \
    -draw 'rectangle 14.5,10 17.5,20' -draw 'circle 16,24.5 16,22.8' "$tmp/r32.png"
convert -size 16x16 xc:none -fill '#f2c200' -stroke '#6b5200' -strokewidth 1 \
    -draw 'polygon 8,1 15,14 1,14' -stroke none -fill black \
    -draw 'rectangle 7,5 8.5,10' -draw 'rectangle 7,11.5 8.5,12.5' "$tmp/r16.png"
convert "$tmp/r32.png" "$tmp/r16.png" InstallerResult.ico
