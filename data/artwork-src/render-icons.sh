#!/bin/sh
# Renders the Sealmark icons from their SVG sources into 32-bit RGBA PNGs.
# Command icons: data/icons/<name>.svg is the 32 px drawing, <name>-16.svg here
# the one drawn on the 16 px grid. Program icon: data/icons/sealmark.svg for
# 48 px and up, sealmark-16/24/32.svg here for the small sizes.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -eu
src=$(cd "$(dirname "$0")" && pwd)
icons="$src/../icons"
for name in add remove convert stop exit contents about; do
    rsvg-convert -w 32 -h 32 "$icons/$name.svg" -o "$icons/$name-32.png"
    rsvg-convert -w 16 -h 16 "$src/$name-16.svg" -o "$icons/$name-16.png"
done
for n in 16 24 32 48 64 128 256; do
    mkdir -p "$icons/hicolor/${n}x${n}"
    if [ -f "$src/sealmark-$n.svg" ]; then
        rsvg-convert -w "$n" -h "$n" "$src/sealmark-$n.svg" -o "$icons/hicolor/${n}x${n}/sealmark.png"
    else
        rsvg-convert -w "$n" -h "$n" "$icons/sealmark.svg" -o "$icons/hicolor/${n}x${n}/sealmark.png"
    fi
done
