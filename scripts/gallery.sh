#!/bin/bash
# The README's gallery: every example scene rendered by patternlens-render
# and laid out, labelled with its name, in one picture (docs/gallery.png).
# Usage: scripts/gallery.sh [PATH/TO/patternlens-render] [OUTPUT.png]
# Needs ImageMagick.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
renderer=${1:-$root/build/tools/patternlens-render}
output=${2:-$root/docs/gallery.png}
montage=$(command -v montage-im6.q16 || command -v montage)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tiles=()
for scene in "$root"/examples/*.xml; do
    name=$(basename "$scene" .xml)
    "$renderer" --size 200x200 "$scene" "$work/$name.png"
    tiles+=(-label "${name//-/ }" "$work/$name.png")
done
"$montage" "${tiles[@]}" -tile 4x -geometry 200x200+6+6 -background white -font DejaVu-Sans -pointsize 14 \
    -depth 8 -strip "$output"
echo "$output"
