#!/bin/sh
# Renders the application icon's PNG sizes from its SVG drawing. The PNGs are
# committed, so building needs no SVG renderer; run this after changing the
# drawing. The drawing is rendered large and scaled down for smooth edges, and
# the PNGs carry no time stamps, so the same drawing gives the same files.
set -eu
cd "$(dirname "$0")/icons/hicolor"
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "${size}x${size}/apps"
    convert -background none -density 384 scalable/apps/corvane.svg \
        -resize "${size}x${size}" -depth 8 -strip \
        -define png:exclude-chunks=date,time \
        "${size}x${size}/apps/corvane.png"
done
