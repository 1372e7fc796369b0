#!/usr/bin/env bash
# Draws the main window's icons and toolbar bitmaps (ImageMagick). The outputs are committed;
# run this again after changing a drawing. Toolbar bitmaps are 16x16 on light grey (192,192,192),
# which the toolbar maps to the button face colour.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A cog of eight teeth around a hub: cog FILL OUTLINE SIZE OUTPUT.
cog() {
    local s=$3 c r t w h args=()
    c=$(echo "$s / 2" | bc -l); r=$(echo "$s * 0.31" | bc -l); t=$(echo "$s * 0.47" | bc -l)
    w=$(echo "$s * 0.09" | bc -l); h=$(echo "$s * 0.13" | bc -l)
    for a in 0 45 90 135; do args+=(-draw "translate $c,$c rotate $a rectangle -$w,-$t $w,$t"); done
    convert -size "${s}x${s}" xc:none -fill "$1" -stroke "$2" -strokewidth 1 "${args[@]}" \
        -draw "circle $c,$c $c,$(echo "$c - $r" | bc -l)" \
        -fill white -draw "circle $c,$c $c,$(echo "$c - $h" | bc -l)" "$4"
}

# 128: the program and its own services, a blue cog. 158: any other service, a grey cog.
cog '#2f6fd0' '#123a78' 32 "$tmp/own32.png"
cog '#2f6fd0' '#123a78' 16 "$tmp/own16.png"
convert "$tmp/own32.png" "$tmp/own16.png" ServiceManager.ico
cog '#a8a8a8' '#505050' 32 "$tmp/other32.png"
cog '#a8a8a8' '#505050' 16 "$tmp/other16.png"
convert "$tmp/other32.png" "$tmp/other16.png" OtherService.ico

page=(-fill white -stroke '#404040' -strokewidth 1
      -draw 'polygon 2.5,0.5 9.5,0.5 12.5,3.5 12.5,15.5 2.5,15.5'
      -fill '#d8d8d8' -draw 'polygon 9.5,0.5 9.5,3.5 12.5,3.5')
# tool OUTPUT DRAWING...
tool() { local out=$1; shift; convert -size 16x16 'xc:#c0c0c0' "$@" -type truecolor "BMP3:$out"; }

# New: a blank page with a yellow spark at its corner.
tool ToolNew.bmp "${page[@]}" -fill '#f5c400' -stroke '#8a6a00' \
    -draw 'polygon 12,6 13,9 16,10 13,11 12,14 11,11 8,10 11,9'
# Edit: a page with lines of text and a pencil across it.
tool ToolEdit.bmp "${page[@]}" -stroke '#7090c0' -draw 'line 4,6 10,6' -draw 'line 4,9 8,9' \
    -stroke '#603000' -fill '#f0a030' -draw 'polygon 14,5 15.5,6.5 8,14 6,14.5 6.5,12.5'
# Remove: a red cross.
tool ToolRemove.bmp -stroke '#c00000' -strokewidth 3 -draw 'line 3,3 12,12' -draw 'line 12,3 3,12'
# Start: a green triangle pointing right.
tool ToolStart.bmp -fill '#20a020' -stroke '#0a500a' -draw 'polygon 4,2 13,8 4,14'
# Stop: a dark red square.
tool ToolStop.bmp -fill '#c02020' -stroke '#600000' -draw 'rectangle 3,3 12,12'
# Restart: a green triangle inside a returning blue arrow.
tool ToolRestart.bmp -fill none -stroke '#1060c0' -strokewidth 2 -draw 'arc 1,1 14,14 200 520' \
    -fill '#1060c0' -stroke none -draw 'polygon 0,4 5,4 2.5,8' \
    -fill '#20a020' -stroke '#0a500a' -strokewidth 1 -draw 'polygon 6,5 11,8 6,11'
# Refresh: two green arrows chasing each other round a circle.
tool ToolRefresh.bmp -fill none -stroke '#208020' -strokewidth 2 -draw 'arc 2,2 13,13 20 160' \
    -draw 'arc 2,2 13,13 200 340' -fill '#208020' -stroke none \
    -draw 'polygon 13,3 14,9 9,6' -draw 'polygon 2,12 1,6 6,9'
