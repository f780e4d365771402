#!/usr/bin/env bash
# Draws the pictures the program ships with into data/:
#   data/fonts/default_normal.png  the bitmap font of all on-screen text
#   data/textures/wall2.png        the tiled background of the scene
# Needs ImageMagick's convert and the DejaVu fonts (fonts-dejavu-core), both
# installed by scripts/install-deps.sh. The output is deterministic.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# --- Font ------------------------------------------------------------------
# A 16 x 16 grid of 32-pixel cells, one per byte value in byte order (the upper
# half as Latin-1), white glyphs on a transparent background. The text routine
# shows only the middle 60 % of a cell's width and draws a cell 0.5 text heights
# wide, so each glyph is centred in its cell and stays clear of the outer fifths.
font_file=/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf
cell=32
pointsize=27
baseline=25  # DejaVu's ascent is 0.93 em: accents reach the cell top, descenders stay inside
advance=$(awk -v p="$pointsize" 'BEGIN { printf "%.0f", p * 1233 / 2048 }')  # mono advance
left_margin=$(((cell - advance) / 2))

draw=()
for byte in $(seq 0 255); do
  # Control characters, space, DEL and no-break space have no glyph.
  if ((byte <= 32 || (byte >= 127 && byte <= 160))); then continue; fi
  glyph=$(printf "\\U$(printf %08x "$byte")")
  case "$glyph" in
    %) glyph='%%' ;;       # convert expands % escapes
    \\) glyph='\\' ;;      # and backslash escapes
    @) glyph='\@' ;;       # and reads a file for a leading @
  esac
  x=$(((byte % 16) * cell + left_margin))
  y=$(((byte / 16) * cell + baseline))
  draw+=(-annotate "+$x+$y" "$glyph")
done
mkdir -p "$root/data/fonts"
convert -size $((16 * cell))x$((16 * cell)) xc:none -font "$font_file" -pointsize "$pointsize" \
  -fill white "${draw[@]}" -define png:color-type=6 "$root/data/fonts/default_normal.png"

# --- Background ------------------------------------------------------------
# A wall of dressed stone blocks in staggered courses, 1024 x 497 pixels for a
# tile of 54.6 x 26.5 world units (about 1.8 x 0.9 units per block). The scene
# mirrors every other tile, so its edges meet themselves and need no matching.
width=1024
height=497
block_w=34
block_h=17
mortar=2
RANDOM=1977
mvg="$work/blocks.mvg"
: >"$mvg"
for ((row = 0; row * block_h < height; row++)); do
  top=$((row * block_h))
  shift_x=$(((row % 2) * block_w / 2))
  for ((left = -shift_x; left < width; left += block_w)); do
    shade=$((150 + RANDOM % 40))
    warm=$((RANDOM % 12))
    printf 'fill rgb(%d,%d,%d) rectangle %d,%d %d,%d\n' \
      $((shade + warm)) $((shade + warm / 2)) $((shade - 8)) \
      "$left" "$top" $((left + block_w - mortar)) $((top + block_h - mortar)) >>"$mvg"
  done
done
mkdir -p "$root/data/textures"
convert -size ${width}x${height} xc:'rgb(96,92,86)' -draw "$(cat "$mvg")" \
  -seed 1977 -attenuate 0.35 +noise Gaussian -blur 0x0.6 \
  \( -size ${width}x${height} gradient:'rgb(200,200,200)-rgb(120,120,120)' \) \
  -compose Multiply -composite -alpha off -depth 8 -define png:color-type=2 \
  "$root/data/textures/wall2.png"
