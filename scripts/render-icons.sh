#!/usr/bin/env bash
# Renders the application icon's PNG sizes from dist/icons/org.norvo.Orbalinder.svg.
# The PNGs are committed; run this after changing the SVG (needs librsvg2-bin).
set -eu
icons=$(cd "$(dirname "$0")/../dist/icons" && pwd)
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "$icons/$size"
  rsvg-convert -w "$size" -h "$size" "$icons/org.norvo.Orbalinder.svg" -o "$icons/$size/org.norvo.Orbalinder.png"
done
