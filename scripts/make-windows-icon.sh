#!/usr/bin/env bash
# Regenerates data/updatepublisher.ico from data/updatepublisher.svg (16 to 256 pixels).
# The .ico is committed: a build on Windows has no SVG renderer at hand.
# Needs rsvg-convert (librsvg2-bin) and icotool (icoutils).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
images=()
for size in 16 20 24 32 40 48 64 256; do
  rsvg-convert -w "$size" -h "$size" "$root/data/updatepublisher.svg" -o "$work/$size.png"
  images+=("$work/$size.png")
done
# The large image stays PNG-compressed inside the icon, the small ones are plain bitmaps.
icotool -c -o "$root/data/updatepublisher.ico" "${images[@]:0:7}" -r "${images[7]}"
echo "wrote $root/data/updatepublisher.ico"
