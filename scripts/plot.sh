#!/usr/bin/env bash
# Plots kelvra results with gnuplot: the time series of console, batch and
# window runs (results/_kelvra_result_<n>.csv, results/batch_<i>.csv,
# results/realtime_<n>.csv), the validator's states (results/ruku_states.csv)
# and states files of the body motions (<name>_states.csv).
#
# Usage: scripts/plot.sh [--svg] CSV [CSV...]
#
# Writes beside the first CSV, named after it (.svg instead of .png with --svg):
#   <name>_speeds.png  vehicle and wheel speed of every axle over time
#   <name>_slip.png    slip (vehicle minus wheel speed) of every axle over time
#   <name>_forces.png  adhesion and normal force of every axle over time
#   <name>_bodies.png  vertical motion and pitch of every body of a states file
# Each sheet starts with the inputs, traction and brakes, of the files that hold
# them (a states file's inputs come from its run's CSV beside it). Further CSVs
# are drawn over the first, each run in its own colour, named once in the first
# panel; columns are found by their header names, so the layouts mix freely.
set -euo pipefail

program=$(basename "$0")

fail() {
  echo "$program: $*" >&2
  exit 1
}

# Installed, the script is kelvra-plot, and its usage says so.
usage() {
  sed -n '2,17p' "$0" | sed -e 's/^# \{0,1\}//' -e "s#scripts/plot.sh#${program/plot.sh/scripts/plot.sh}#"
}

extension=png
files=()
for argument in "$@"; do
  case $argument in
  -h | --help)
    usage
    exit 0
    ;;
  --svg) extension=svg ;;
  -*)
    echo "$program: unknown option '$argument'" >&2
    usage >&2
    exit 2
    ;;
  *) files+=("$argument") ;;
  esac
done
if [ ${#files[@]} -eq 0 ]; then
  usage >&2
  exit 2
fi

command -v gnuplot >/dev/null 2>&1 ||
  fail "gnuplot is not installed (Debian package gnuplot-nox; scripts/install-deps.sh installs it)"

# The header names of a CSV, one per line.
columns_of() {
  head -n 1 "$1" | tr -d '\r' | tr ',' '\n'
}

# Number of axles of a CSV: its vehicle_speed_<i> columns.
axles_of() {
  columns_of "$1" | grep -c '^vehicle_speed_[0-9][0-9]*$' || true
}

# The bodies of a states file with a vertical (_Y) or pitch (_R) displacement.
bodies_of() {
  columns_of "$1" | sed -n 's/^\(.*\)_[YR]$/\1/p'
}

# A file name as a gnuplot string literal.
quoted() {
  local text=${1//\\/\\\\}
  printf '"%s"' "${text//\"/\\\"}"
}

# Each file is a time series (axles > 0) or a states file (axles 0); its run's
# short name picks its colour, so a run's CSV and its states file share one.
axles=()
colours=()
states=()
runs=()
most=0
for file in "${files[@]}"; do
  [ -r "$file" ] || fail "cannot read '$file'"
  columns_of "$file" | grep -qx time || fail "'$file' has no 'time' column"
  count=$(axles_of "$file")
  name=$(basename "$file" .csv)
  if [ "$count" -eq 0 ]; then
    [ -n "$(bodies_of "$file")" ] ||
      fail "'$file' has neither vehicle_speed_<i> columns nor body motions (<body>_Y, <body>_R)"
    name=${name%_states}
    states+=("$file")
  fi
  [ "$count" -gt "$most" ] && most=$count
  axles+=("$count")
  colour=0
  for ((i = 0; i < ${#runs[@]}; ++i)); do [ "${runs[i]}" = "$name" ] && colour=$((i + 1)); done
  if [ "$colour" -eq 0 ]; then
    runs+=("$name")
    colour=${#runs[@]}
  fi
  colours+=("$colour")
done

# The inputs: every file with a traction column, and the run CSV beside a
# states file that was not given itself.
input_files=()
input_colours=()
add_inputs() {
  local file=$1 colour=$2 known
  for known in "${input_files[@]}"; do [ "$known" -ef "$file" ] && return; done
  columns_of "$file" | grep -qx traction || return 0
  input_files+=("$file")
  input_colours+=("$colour")
}
for ((i = 0; i < ${#files[@]}; ++i)); do
  file=${files[i]}
  if [ "${axles[i]}" -gt 0 ]; then
    add_inputs "$file" "${colours[i]}"
  else
    sibling="${file%_states.csv}.csv"
    [ "$sibling" != "$file" ] && [ -r "$sibling" ] && add_inputs "$sibling" "${colours[i]}"
  fi
done

first=${files[0]}
stem=${first%.csv}
if [ "$extension" = svg ]; then
  terminal='svg noenhanced font "DejaVu Sans,10" background rgb "white"'
elif gnuplot -e 'set terminal pngcairo' >/dev/null 2>&1; then
  terminal='pngcairo noenhanced font "DejaVu Sans,10"'
else
  terminal='png noenhanced'
fi

# Sheets are 1400 pixels wide: a title band, the input panel across the top,
# then the sheet's panels in `columns` columns of `height` pixels each.
width=1400
title_band=50
input_height=260
sheet_height=0
panel_top=0
# The runs' key is due in the next panel; `key` is the key of the panel drawn.
legend_pending=0
key=""

# Starts a sheet of `rows` rows of `height` pixels in its own output file.
begin_sheet() {
  local output=$1 title=$2 rows=$3 height=$4
  local inputs_band=0
  [ ${#input_files[@]} -gt 0 ] && inputs_band=$input_height
  sheet_height=$((title_band + inputs_band + rows * height))
  panel_top=$((sheet_height - title_band))
  echo "set terminal $terminal size $width,$sheet_height"
  echo "set output $(quoted "$output")"
  echo "set multiplot title $(quoted "$title")"
  legend_pending=1
  if [ $inputs_band -gt 0 ]; then
    place 0 "$width" "$input_height"
    input_panel
  fi
}

# Places the next panel at `x` (pixels from the left) below the previous row.
place() {
  local x=$1 w=$2 h=$3
  echo "set origin $x.0/$width, $((panel_top - h)).0/$sheet_height"
  echo "set size $w.0/$width, $h.0/$sheet_height"
}

# Moves the panel top down by one row of `h` pixels.
next_row() {
  panel_top=$((panel_top - $1))
}

# Sets `key`: the runs in their colours in the sheet's first panel, then the
# meaning of the panel's line styles given as label:dash pairs.
legend() {
  local parts=() i pair label dash
  if [ "$legend_pending" -eq 1 ]; then
    for ((i = 0; i < ${#runs[@]}; ++i)); do
      parts+=("NaN with lines lw 2 lc $((i + 1)) dt 1 title $(quoted "${runs[i]}")")
    done
    legend_pending=0
  fi
  for pair in "$@"; do
    IFS=: read -r label dash <<<"$pair"
    parts+=("NaN with lines lw 1.5 lc rgb \"black\" dt $dash title $(quoted "$label")")
  done
  local IFS=,
  key="${parts[*]}"
}

# One plot command of `key` and the curves.
plot() {
  local curves=$1
  if [ -n "$key" ]; then
    echo "set key top right box opaque"
    echo "plot $key, $curves"
  else
    echo "unset key"
    echo "plot $curves"
  fi
}

# A curve of `file`: column `column` over time, divided by `scale`.
curve() {
  local file=$1 column=$2 scale=$3 colour=$4 dash=$5
  echo "$(quoted "$file") using \"time\":(column(\"$column\")/$scale) with lines lw 1.5 lc $colour dt $dash notitle"
}

input_panel() {
  local parts=() i file column
  echo "set title \"inputs\""
  echo "set ylabel \"force [kN]\""
  for ((i = 0; i < ${#input_files[@]}; ++i)); do
    file=${input_files[i]}
    parts+=("$(curve "$file" traction 1000.0 "${input_colours[i]}" 1)")
    for column in $(columns_of "$file" | grep '^brake_[0-9][0-9]*$'); do
      parts+=("$(curve "$file" "$column" 1000.0 "${input_colours[i]}" 2)")
    done
  done
  legend traction:1 brake:2
  local IFS=,
  plot "${parts[*]}"
  next_row "$input_height"
}

# One axle's panel: for every time series that has the axle, one curve per
# column:label:dash triple, in the file's colour.
axle_panel() {
  local axle=$1 scale=$2
  shift 2
  local parts=() labels=() i triple column label dash
  for triple in "$@"; do
    IFS=: read -r column label dash <<<"$triple"
    labels+=("$label:$dash")
    for ((i = 0; i < ${#files[@]}; ++i)); do
      [ "${axles[i]}" -ge "$axle" ] || continue
      parts+=("$(curve "${files[i]}" "${column}_${axle}" "$scale" "${colours[i]}" "$dash")")
    done
  done
  # A single quantity is named by the panel's title.
  [ ${#labels[@]} -gt 1 ] || labels=()
  legend "${labels[@]}"
  local IFS=,
  plot "${parts[*]}"
}

# Every body's `suffix` displacement of every states file, scaled by 1000; the
# bodies keep one dash type on the whole sheet.
body_panel() {
  local suffix=$1 parts=() labels=() i b file
  for ((b = 0; b < ${#bodies[@]}; ++b)); do
    for ((i = 0; i < ${#files[@]}; ++i)); do
      file=${files[i]}
      [ "${axles[i]}" -eq 0 ] || continue
      columns_of "$file" | grep -Fqx "${bodies[b]}_$suffix" || continue
      parts+=("$(curve "$file" "${bodies[b]}_$suffix" 0.001 "${colours[i]}" $((b + 1)))")
      labels+=("${bodies[b]}:$((b + 1))")
    done
  done
  mapfile -t labels < <(printf '%s\n' "${labels[@]}" | awk '!seen[$0]++')
  legend "${labels[@]}"
  local IFS=,
  plot "${parts[*]}"
}

script=$(mktemp)
trap 'rm -f "$script"' EXIT
outputs=()
{
  echo "set datafile separator comma"
  echo "set datafile columnheaders"
  echo "set grid"
  echo "set xlabel \"time [s]\""

  if [ "$most" -gt 0 ]; then
    # Speeds and slip: the axles in two columns; forces: one row per axle.
    columns=$((most < 2 ? 1 : 2))
    rows=$(((most + columns - 1) / columns))
    column_width=$((width / columns))

    outputs+=("${stem}_speeds.$extension")
    begin_sheet "${stem}_speeds.$extension" "Vehicle and wheel speeds" "$rows" 380
    echo "set ylabel \"speed [m/s]\""
    for ((axle = 1; axle <= most; ++axle)); do
      echo "set title \"axle $axle\""
      place $((((axle - 1) % columns) * column_width)) "$column_width" 380
      axle_panel "$axle" 1 "vehicle_speed:vehicle:1" "wheel_speed:wheel:2"
      [ $((axle % columns)) -eq 0 ] && next_row 380
    done
    echo "unset multiplot"

    outputs+=("${stem}_slip.$extension")
    begin_sheet "${stem}_slip.$extension" "Slip, vehicle minus wheel speed" "$rows" 380
    echo "set ylabel \"slip [m/s]\""
    for ((axle = 1; axle <= most; ++axle)); do
      echo "set title \"axle $axle\""
      place $((((axle - 1) % columns) * column_width)) "$column_width" 380
      axle_panel "$axle" 1 "slip:slip:1"
      [ $((axle % columns)) -eq 0 ] && next_row 380
    done
    echo "unset multiplot"

    outputs+=("${stem}_forces.$extension")
    begin_sheet "${stem}_forces.$extension" "Adhesion and normal forces" "$most" 300
    for ((axle = 1; axle <= most; ++axle)); do
      echo "set title \"axle $axle: adhesion force\""
      echo "set ylabel \"adhesion force [kN]\""
      place 0 $((width / 2)) 300
      axle_panel "$axle" 1000.0 "adhesion_force:adhesion:1"
      echo "set title \"axle $axle: normal force\""
      echo "set ylabel \"normal force [kN]\""
      place $((width / 2)) $((width / 2)) 300
      axle_panel "$axle" 1000.0 "normal_force:normal:1"
      next_row 300
    done
    echo "unset multiplot"
  fi

  if [ ${#states[@]} -gt 0 ]; then
    mapfile -t bodies < <(for file in "${states[@]}"; do bodies_of "$file"; done | awk '!seen[$0]++')
    # A panel for each kind of motion that some states file holds.
    motions=()
    for suffix in Y R; do
      for file in "${states[@]}"; do
        if columns_of "$file" | grep -q "_${suffix}\$"; then
          motions+=("$suffix")
          break
        fi
      done
    done
    outputs+=("${stem}_bodies.$extension")
    begin_sheet "${stem}_bodies.$extension" "Body motions" ${#motions[@]} 380
    for suffix in "${motions[@]}"; do
      if [ "$suffix" = Y ]; then
        echo "set title \"vertical displacement\""
        echo "set ylabel \"displacement [mm]\""
      else
        echo "set title \"pitch\""
        echo "set ylabel \"pitch [mrad]\""
      fi
      place 0 "$width" 380
      body_panel "$suffix"
      next_row 380
    done
    echo "unset multiplot"
  fi
} >"$script"
gnuplot "$script"
printf '%s\n' "${outputs[@]}"
