#!/bin/sh
# Renders the application icon from horavane.svg: the PNG sizes of the desktop icon theme and the
# Windows .ico (icon resource 128). Run after changing the SVG; the results are kept in the tree so
# that a build needs neither tool.
set -eu
cd "$(dirname "$0")"
sizes="16 22 24 32 48 64 128 256"
for size in $sizes; do
    rsvg-convert -w "$size" -h "$size" horavane.svg -o "horavane-$size.png"
done
convert horavane-16.png horavane-24.png horavane-32.png horavane-48.png horavane-64.png \
    horavane-128.png horavane-256.png horavane.ico
