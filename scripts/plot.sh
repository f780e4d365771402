#!/usr/bin/env bash
# Plots the time series of kelvra runs with gnuplot: the CSV files of console,
# batch and window runs (results/_kelvra_result_<n>.csv, results/batch_<i>.csv,
# results/realtime_<n>.csv) and the validator's states (results/ruku_states.csv).
#
# Usage: scripts/plot.sh CSV [CSV...]
#
# Writes three pictures beside the first CSV, named after it:
#   <name>_speeds.png  vehicle and wheel speed of every axle over time
#   <name>_slip.png    slip (vehicle minus wheel speed) of every axle over time
#   <name>_forces.png  adhesion and normal force of every axle over time
# Further CSVs are drawn over the first, each in its own colour, for example a
# console run and the validator's states of the same history. Columns are
# found by their header names, so both layouts mix freely.
set -euo pipefail

program=$(basename "$0")

fail() {
  echo "$program: $*" >&2
  exit 1
}

if [ $# -eq 0 ] || [ "$1" = "-h" ] || [ "$1" = "--help" ]; then
  sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//' >&2
  [ $# -eq 0 ] && exit 2
  exit 0
fi

command -v gnuplot >/dev/null 2>&1 ||
  fail "gnuplot is not installed (Debian package gnuplot-nox; scripts/install-deps.sh installs it)"

# Number of axles of a CSV: its vehicle_speed_<i> columns.
axles_of() {
  head -n 1 "$1" | tr -d '\r' | tr ',' '\n' | grep -c '^vehicle_speed_[0-9][0-9]*$' || true
}

# A file name as a gnuplot string literal.
quoted() {
  local text=${1//\\/\\\\}
  printf '"%s"' "${text//\"/\\\"}"
}

files=("$@")
axles=()
most=0
for file in "${files[@]}"; do
  [ -r "$file" ] || fail "cannot read '$file'"
  head -n 1 "$file" | tr -d '\r' | tr ',' '\n' | grep -qx time ||
    fail "'$file' has no 'time' column"
  count=$(axles_of "$file")
  [ "$count" -gt 0 ] || fail "'$file' has no vehicle_speed_<i> columns"
  axles+=("$count")
  [ "$count" -gt "$most" ] && most=$count
done

first=${files[0]}
stem=${first%.csv}
names=""
for file in "${files[@]}"; do names+="${names:+, }$(basename "$file")"; done

if gnuplot -e 'set terminal pngcairo' >/dev/null 2>&1; then
  terminal='pngcairo noenhanced font "DejaVu Sans,10"'
else
  terminal='png noenhanced'
fi

# Panels: two columns of axles for speeds and slip, one row per axle with
# adhesion and normal force side by side for the forces.
columns=$((most < 2 ? 1 : 2))
rows=$(((most + columns - 1) / columns))

# The curves of one panel: for every file that has `axle`, one curve per
# (column, label, dash type) triple, the file's colour for all of them.
curves() {
  local axle=$1 scale=$2
  shift 2
  local parts=() index=0 file label column dash
  for file in "${files[@]}"; do
    index=$((index + 1))
    if [ "${axles[index - 1]}" -ge "$axle" ]; then
      local triple
      for triple in "$@"; do
        IFS=: read -r column label dash <<<"$triple"
        parts+=("$(quoted "$file") using \"time\":(column(\"${column}_${axle}\")/$scale) with lines lw 1.5 lc $index dt $dash title $(quoted "$label ($(basename "$file"))")")
      done
    fi
  done
  local IFS=,
  echo "plot ${parts[*]}"
}

{
  echo "set terminal $terminal size 1400,$((380 * rows + 80))"
  echo "set datafile separator comma"
  echo "set datafile columnheaders"
  echo "set grid"
  echo "set key top right box opaque"
  echo "set xlabel \"time [s]\""

  echo "set output $(quoted "${stem}_speeds.png")"
  echo "set multiplot layout $rows,$columns title $(quoted "Vehicle and wheel speeds: $names")"
  echo "set ylabel \"speed [m/s]\""
  for ((axle = 1; axle <= most; ++axle)); do
    echo "set title \"axle $axle\""
    curves "$axle" 1 "vehicle_speed:vehicle:1" "wheel_speed:wheel:2"
  done
  echo "unset multiplot"

  echo "set output $(quoted "${stem}_slip.png")"
  echo "set multiplot layout $rows,$columns title $(quoted "Slip, vehicle minus wheel speed: $names")"
  echo "set ylabel \"slip [m/s]\""
  for ((axle = 1; axle <= most; ++axle)); do
    echo "set title \"axle $axle\""
    curves "$axle" 1 "slip:slip:1"
  done
  echo "unset multiplot"

  echo "set terminal $terminal size 1400,$((300 * most + 80))"
  echo "set output $(quoted "${stem}_forces.png")"
  echo "set multiplot layout $most,2 title $(quoted "Adhesion and normal forces: $names")"
  for ((axle = 1; axle <= most; ++axle)); do
    echo "set title \"axle $axle: adhesion force\""
    echo "set ylabel \"adhesion force [kN]\""
    curves "$axle" 1000.0 "adhesion_force:adhesion:1"
    echo "set title \"axle $axle: normal force\""
    echo "set ylabel \"normal force [kN]\""
    curves "$axle" 1000.0 "normal_force:normal:1"
  done
  echo "unset multiplot"
} | gnuplot

for picture in speeds slip forces; do
  echo "${stem}_${picture}.png"
done
