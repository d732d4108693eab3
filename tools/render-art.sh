#!/usr/bin/env bash
# Renders the mixer skin from its vector sources (mixer/art/skin.py) into the
# PNG files next to it, and the settings program's faces and icon
# (settings/art/panel.py) into the bitmaps and icon next to that, and the desktop
# icons (desktop/icons.py) into desktop/icons. The PNGs are committed, so a build needs no renderer;
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

# The settings program's faces are 24-bit bitmaps and its icon holds four 32-bit images.
settings_art="$here/settings/art"
rm -f "$work"/*
python3 "$settings_art/panel.py" "$work"
for face in face about; do
    rsvg-convert --background-color=black -o "$work/$face.png" "$work/$face.opaque.svg"
    convert "$work/$face.png" -background black -alpha remove -alpha off -type TrueColor "BMP3:$settings_art/$face.bmp"
done
for size in 16 24 32 48; do
    rsvg-convert -o "$work/icon-$size.png" "$work/icon-$size.svg"
done
convert "$work"/icon-16.png "$work"/icon-24.png "$work"/icon-32.png "$work"/icon-48.png "$settings_art/tessary.ico"
echo "rendered the settings faces and icon"

# The programs' desktop icons, in the hicolor theme's sizes and as scalable SVG.
icons="$here/desktop/icons/hicolor"
sizes=(16 24 32 48 64 128 256)
rm -f "$work"/*
python3 "$here/desktop/icons.py" "$work" "${sizes[@]}"
mkdir -p "$icons/scalable/apps"
for source in "$work"/*-16.svg; do
    name=$(basename "$source" -16.svg)
    cp "$work/$name.svg" "$icons/scalable/apps/$name.svg"
    for size in "${sizes[@]}"; do
        mkdir -p "$icons/${size}x${size}/apps"
        rsvg-convert -o "$work/$name-$size.png" "$work/$name-$size.svg"
        convert "$work/$name-$size.png" -strip -define png:color-type=6 "PNG32:$icons/${size}x${size}/apps/$name.png"
    done
done
echo "rendered the desktop icons"
# The Windows programs' icons (the settings program has its own above), from the desktop icons.
for program in Mixer:mixer Diag:diag; do
    name=${program%%:*}
    folder=${program##*:}
    convert "$icons"/{16x16,32x32,48x48,256x256}/apps/com.ostrel.Tessary$name.png "$here/$folder/art/Tessary$name.ico"
done
echo "rendered the Windows program icons"
