#!/usr/bin/env bash
# Renders the program's picture (packaging/icons/korvane.svg) as the PNG files the desktop and
# the window use. Run after changing the SVG; needs rsvg-convert (Debian librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}"
  rsvg-convert -w "$size" -h "$size" korvane.svg -o "${size}x${size}/korvane.png"
done
