#!/usr/bin/env bash
# Regenerates every bitmap resource in resources/ from the NASA maps of Debian's
# xplanet-images package and the drawing code in pictures.py.  Byte-for-byte
# repeatable: same inputs, same files.  Needs Debian's python3 and imagemagick.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
OUT=$(cd "$HERE/../../resources" && pwd)
MAPS=/usr/share/xplanet/images
CONVERT=/usr/bin/convert          # Debian's ImageMagick, not a wrapper earlier in PATH
PICTURES=(/usr/bin/python3 "$HERE/pictures.py")
MAP_SIZE=1024x512
COLOURS_8BIT=256
COLOURS_ADVANCED=175              # the advanced dialog's picture has exactly 175 colours

# One thread: ImageMagick's parallel loops must not make the output depend on timing.
export MAGICK_THREAD_LIMIT=1
export LC_ALL=C

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Earth maps: resize only, keeping 180 W at the left edge and north at the top.
for pair in earth:day_map night:night_map; do
  "$CONVERT" "$MAPS/${pair%%:*}.jpg" -resize "$MAP_SIZE!" -depth 8 "ppm:$work/${pair#*:}.ppm"
  "${PICTURES[@]}" bmp24 "$work/${pair#*:}.ppm" "$OUT/${pair#*:}.bmp"
done

for kind in depression storm hurricane; do
  "${PICTURES[@]}" icon "$kind" "$OUT/icon_$kind.bmp"
done

# 8-bit pictures: drawn in full colour, reduced to a palette without dithering
# (dither noise behind the black text would only hurt its legibility); the full
# tree depth keeps the gentle gradients from collapsing into a few bands.
for entry in banner:banner:$COLOURS_8BIT config:config_background:$COLOURS_8BIT \
             preview:preview:$COLOURS_8BIT; do
  IFS=: read -r kind name colours <<<"$entry"
  "${PICTURES[@]}" art "$kind" "$work/day_map.ppm" "$work/$name.ppm"
  "$CONVERT" "$work/$name.ppm" +dither -treedepth 8 -colors "$colours" -depth 8 "ppm:$work/$name-reduced.ppm"
  "${PICTURES[@]}" bmp8 "$work/$name-reduced.ppm" "$OUT/$name.bmp" "$colours"
done
# The advanced dialog's picture must have exactly its count, which ImageMagick's
# reduction undershoots on this smooth artwork: pictures.py reduces it itself.
"${PICTURES[@]}" art advanced "$work/day_map.ppm" "$work/advanced_background.ppm"
"${PICTURES[@]}" bmp8exact "$work/advanced_background.ppm" "$OUT/advanced_background.bmp" \
  "$COLOURS_ADVANCED"

echo "pictures written to $OUT"
