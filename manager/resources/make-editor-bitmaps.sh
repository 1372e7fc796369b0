#!/bin/sh
# Draws the editor's toolbar images (ImageMagick). The outputs are committed; run this again
# after changing a drawing. The background is the light grey that the toolbar maps to the
# button face colour, so the images sit on the button without a box round them.
set -eu
cd "$(dirname "$0")"
bg='#c0c0c0'

draw() {  # NAME DRAW-ARGS...
    name=$1; shift
    convert -size 16x16 "xc:$bg" +antialias "$@" +dither -type Palette -colors 16 "BMP3:$name"
}


# New: a blank page with a yellow spark at its corner.
draw EditorNew.bmp -fill white -stroke '#404040' -draw 'polygon 2,1 9,1 12,4 12,14 2,14' \
    -fill none -draw 'polyline 9,1 9,4 12,4' \
    -stroke '#e0a000' -draw 'line 12,8 12,15' -draw 'line 9,11 15,11' -draw 'line 10,9 14,13' -draw 'line 14,9 10,13'

# Open: a yellow folder, opened, with its flap tipped forward.
draw EditorOpen.bmp -fill '#d8b000' -stroke '#604800' -draw 'polygon 1,4 5,4 6,5 12,5 12,13 1,13' \
    -fill '#f8dc50' -draw 'polygon 3,8 15,8 12,13 1,13'

# Save: a blue diskette with its white label and metal shutter.
draw EditorSave.bmp -fill '#2050b0' -stroke '#102860' -draw 'polygon 1,1 13,1 15,3 15,15 1,15' \
    -stroke none -fill white -draw 'rectangle 4,2 11,7' -fill '#c8c8c8' -draw 'rectangle 4,10 11,14' \
    -fill '#2050b0' -draw 'rectangle 8,11 9,13'

# Save As: the diskette with a pencil across it.
draw EditorSaveAs.bmp -fill '#2050b0' -stroke '#102860' -draw 'polygon 0,2 11,2 13,4 13,15 0,15' \
    -stroke none -fill white -draw 'rectangle 3,3 9,7' -fill '#c8c8c8' -draw 'rectangle 3,10 9,14' \
    -stroke '#804000' -strokewidth 2 -draw 'line 7,13 14,6' -stroke none -fill '#f0c060' \
    -draw 'polygon 6,14 7,12 8,13' -fill '#e04040' -draw 'rectangle 13,4 15,6'

# View XML: a page showing the angle brackets of a tag.
draw EditorViewXml.bmp -fill white -stroke '#404040' -draw 'polygon 1,1 10,1 14,5 14,15 1,15' \
    -fill none -draw 'polyline 10,1 10,5 14,5' \
    -stroke '#0060c0' -draw 'polyline 6,7 3,10 6,13' -draw 'polyline 9,7 12,10 9,13' \
    -stroke '#c03000' -draw 'line 8,7 7,13'
