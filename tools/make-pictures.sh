#!/usr/bin/env bash
# Draws the pictures the program ships with into data/:
#   data/fonts/default_normal.png    the bitmap font of all on-screen text
#   data/textures/wall2.png          the tiled background: sky, hills, the track, the water
#   data/textures/car_side.png       the car body seen from the side
#   data/textures/bogie_frame.png    a bogie's side frame
#   data/textures/wheel.png          a wheel with marks that show it turning
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
  -fill white "${draw[@]}" -define png:color-type=6 -define png:exclude-chunks=date,time "$root/data/fonts/default_normal.png"

# --- Background ------------------------------------------------------------
# The window lays this picture as tiles 54.613335 x 26.493334 world units wide,
# its lower edge at y = -7.4666667, every other tile mirrored. At 30 pixels per
# unit (1638 x 795) it shows pixel for pixel at the window's default zoom.
# Rows that are one colour across (sky, field, embankment, water) cost the
# renderer almost nothing, so the detail is kept to two narrow bands: the hills
# on the horizon and the track bed. The top row is the window's clear colour and
# the bottom row fades into it, so the sky above and the water below the tiles
# continue without a seam.
width=1638
height=795
row() { awk -v y="$1" 'BEGIN { printf "%d", (19.026667 - y) * 795 / 26.493334 + 0.5 }'; }
field_top=$(row 0.8)       # where the plain behind the track meets the hills
rail_top=$(row 0)          # the wheels run on y = 0
rail_foot=$(row -0.15)
ballast_bottom=$(row -0.9)
shore=$(row -2.6)
water=$(row -2.75)

# Hills: two silhouettes from sums of sines whose periods divide the tile, so
# that the mirrored neighbours continue them.
hills() {  # base_row amplitude_rows phase fill
  awk -v w="$width" -v base="$1" -v amp="$2" -v ph="$3" -v fill="$4" 'BEGIN {
    printf "fill %s polygon 0,%d", fill, base + 40
    for (x = 0; x <= w; x += 6) {
      t = 2 * 3.14159265 * x / w
      y = base - amp * (0.55 + 0.25 * sin(2 * t + ph) + 0.15 * sin(5 * t + 2 * ph) + 0.05 * sin(11 * t))
      printf " %d,%d", x, y
    }
    printf " %d,%d\n", w, base + 40
  }'
}
far_hills=$(hills $((field_top - 8)) 68 0.7 'rgb(150,178,196)')
near_hills=$(hills $((field_top + 2)) 42 2.1 'rgb(92,128,84)')

# Sleepers every 0.6 m (18 pixels, 91 to the tile), their ends seen in the
# ballast below the rail; the tile edges fall half way between two sleepers.
RANDOM=1977
sleepers=""
for ((i = 0; i < 91; i++)); do
  left=$((i * 18 + 5))
  shade=$((150 + RANDOM % 12))
  sleepers+="fill rgb($shade,$((shade - 3)),$((shade - 8))) rectangle $left,$((rail_foot + 1)) $((left + 7)),$((rail_foot + 6)) "
  sleepers+="fill rgb(72,68,64) rectangle $left,$((rail_foot + 7)) $((left + 7)),$((rail_foot + 7)) "
done

mkdir -p "$root/data/textures"
convert -size ${width}x${height} xc:none \
  \( -size ${width}x${field_top} gradient:'rgb(84,156,204)-rgb(214,230,238)' \) -geometry +0+0 -composite \
  -draw "$far_hills" -draw "$near_hills" \
  \( -size ${width}x$((rail_top - field_top)) gradient:'rgb(124,152,86)-rgb(104,134,70)' \) -geometry +0+${field_top} -composite \
  \( -size ${width}x$((ballast_bottom - rail_foot)) xc:'rgb(132,124,112)' -seed 1977 -attenuate 0.9 +noise Gaussian -modulate 100,25 \) -geometry +0+${rail_foot} -composite \
  -draw "$sleepers" \
  -draw "fill rgb(198,200,204) rectangle 0,$rail_top $width,$((rail_top + 1))" \
  -draw "fill rgb(92,88,84) rectangle 0,$((rail_top + 2)) $width,$((rail_foot - 1))" \
  -draw "fill rgb(70,66,62) rectangle 0,$rail_foot $width,$rail_foot" \
  \( -size ${width}x$((shore - ballast_bottom)) gradient:'rgb(96,124,62)-rgb(70,96,50)' \) -geometry +0+${ballast_bottom} -composite \
  \( -size ${width}x$((water - shore)) xc:'rgb(176,160,120)' \) -geometry +0+${shore} -composite \
  \( -size ${width}x$((height - water)) gradient:'rgb(52,104,140)-rgb(84,156,204)' \) -geometry +0+${water} -composite \
  -alpha off -depth 8 -define png:color-type=2 -define png:exclude-chunks=date,time "$root/data/textures/wall2.png"

# --- The vehicle -------------------------------------------------------------
# At 64 pixels per metre, on a transparent ground; the style file stretches each
# picture over its extents, so only the proportions matter.
# Car body: 25 m x 2.8 m from the floor to the roof, a grey roof above the roof
# line, the window band, a door at each end, the red lower side and the dark
# underframe skirt.
car_w=1600
car_h=180
windows=""
for ((x = 184; x + 90 <= car_w - 184; x += 122)); do
  windows+="roundrectangle $x,58 $((x + 90)),112 6,6 "
done
convert -size ${car_w}x${car_h} xc:none \
  -fill 'rgb(188,190,194)' -stroke 'rgb(50,10,8)' -strokewidth 3 \
  -draw "roundrectangle 2,2 $((car_w - 3)),$((car_h - 3)) 40,40" \
  -fill 'rgb(150,24,20)' -draw "rectangle 2,32 $((car_w - 3)),$((car_h - 3))" \
  -stroke none -fill 'rgb(70,72,76)' -draw "rectangle 4,30 $((car_w - 5)),33" \
  -fill 'rgb(236,232,220)' -draw "rectangle 4,46 $((car_w - 5)),124" \
  -fill 'rgb(40,58,76)' -stroke 'rgb(30,30,34)' -strokewidth 2 -draw "$windows" \
  -fill 'rgb(96,20,16)' -draw "rectangle 76,40 140,164 rectangle $((car_w - 141)),40 $((car_w - 77)),164" \
  -fill 'rgb(40,58,76)' -draw "rectangle 92,58 124,96 rectangle $((car_w - 125)),58 $((car_w - 93)),96" \
  -stroke none -fill 'rgb(236,232,220)' -draw "rectangle 4,128 $((car_w - 5)),132" \
  -fill 'rgb(44,44,48)' -draw "rectangle 4,164 $((car_w - 5)),$((car_h - 3))" \
  -depth 8 -define png:color-type=6 -define png:exclude-chunks=date,time "$root/data/textures/car_side.png"

# Bogie side frame: 3.1 m x 0.45 m, its lower edge at the axle centres, which
# lie 1.0 m either side of the middle; the frame dips over the bolster.
convert -size 198x29 xc:none -fill 'rgb(46,48,54)' -stroke 'rgb(20,20,24)' -strokewidth 1 \
  -draw "polygon 2,3 196,3 196,12 150,12 128,22 70,22 48,12 2,12" \
  -draw "rectangle 18,3 52,27 rectangle 146,3 180,27" \
  -fill 'rgb(200,170,40)' -stroke none -draw "rectangle 82,8 116,12" \
  -depth 8 -define png:color-type=6 -define png:exclude-chunks=date,time "$root/data/textures/bogie_frame.png"

# Wheel: the tyre with its flange, a disc with six holes and a white mark on
# the rim, so that its turning shows.
holes=""
for k in 0 1 2 3 4 5; do
  holes+=$(awk -v k="$k" 'BEGIN { a = k * 3.14159265 / 3; x = 64 + 36 * cos(a); y = 64 + 36 * sin(a);
    printf "circle %.1f,%.1f %.1f,%.1f ", x, y, x + 8, y }')
done
convert -size 128x128 xc:none \
  -fill 'rgb(58,58,62)' -draw "circle 64,64 64,1" \
  -fill 'rgb(120,122,128)' -draw "circle 64,64 64,9" \
  -fill 'rgb(156,158,164)' -draw "circle 64,64 64,16" \
  -fill 'rgb(64,64,70)' -draw "$holes" \
  -fill 'rgb(245,245,245)' -draw "rectangle 58,9 70,22" \
  -fill 'rgb(84,84,90)' -draw "circle 64,64 64,50" \
  -depth 8 -define png:color-type=6 -define png:exclude-chunks=date,time "$root/data/textures/wheel.png"
