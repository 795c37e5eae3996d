#!/usr/bin/env bash
# Renders the widget images in src/resources/img from their SVG sources in
# src/resources/svg, and the program's icon (src/resources/icon/tessaly.svg) in the
# sizes desktops ask for and as the Windows program's .ico. The results are checked in, so building needs neither tool;
# run this after changing a source. Needs rsvg-convert (librsvg2-bin) and
# ImageMagick's convert.
set -euo pipefail
res="$(cd "$(dirname "$0")/../src/resources" && pwd)"
svg="$res/svg"
img="$res/img"
mkdir -p "$img"

for src in "$svg"/*.svg; do
  name="$(basename "$src" .svg)"
  rsvg-convert --format=png --output="$img/$name.png" "$src"
done

# The scan animation: a line sweeping down the code area, one frame per step.
frames="$(mktemp -d)"
trap 'rm -rf "$frames"' EXIT
i=0
for y in $(seq 28 6 166); do
  sed "s/@Y@/$y/" "$svg/scan.svg.in" >"$frames/frame.svg"
  rsvg-convert --format=png --output="$frames/$(printf %03d $i).png" "$frames/frame.svg"
  i=$((i + 1))
done
convert -delay 5 -dispose Background -loop 0 "$frames"/[0-9]*.png "$img/scan.gif"
# The icon, one PNG per size of the hicolor theme the package installs; the
# same sizes make the .ico Windows shows for tessaly.exe.
icons="$res/icon"
sizes=()
for size in 16 24 32 48 64 128 256; do
  rsvg-convert --width="$size" --height="$size" --format=png --output="$icons/tessaly-$size.png" \
    "$icons/tessaly.svg"
  sizes+=("$icons/tessaly-$size.png")
done
convert "${sizes[@]}" "$icons/tessaly.ico"
echo "Rendered into $img and $icons"
