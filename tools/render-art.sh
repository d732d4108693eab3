#!/usr/bin/env bash
# Renders the mixer skin from its vector sources (mixer/art/skin.py) into the
# PNG files next to it. The PNGs are committed, so a build needs no renderer;
# run this after changing the sources. Needs rsvg-convert and ImageMagick.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
art="$here/mixer/art"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$art/skin.py" "$work"
for source in "$work"/*.svg; do
    file=$(basename "$source")
    name=${file%%.*}
    if [[ $file == *.opaque.svg ]]; then
        # Panels carry no alpha channel: flatten and store as 24-bit RGB.
        rsvg-convert --background-color=black -o "$work/$name.png" "$source"
        convert "$work/$name.png" -background black -alpha remove -alpha off -strip -define png:color-type=2 "PNG24:$art/$name.png"
    else
        rsvg-convert -o "$work/$name.png" "$source"
        convert "$work/$name.png" -strip -define png:color-type=6 "PNG32:$art/$name.png"
    fi
done
ls "$art"/*.png | wc -l | xargs echo "rendered images:"
