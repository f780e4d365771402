#!/usr/bin/env bash
# Plots a parameter study with gnuplot: one figure of the study summary
# (results/study_summary.csv, written by kelvra --study) against one of its
# parameters, one line for each value of a second parameter.
#
# Usage: scripts/plot_study.sh [--svg] [--output FILE] SUMMARY FIGURE PARAMETER [GROUP]
#
#   FIGURE     a figure column: peak_speed, peak_acceleration, peak_deceleration,
#              brake_time, stopping_time, stopping_distance, sliding_time,
#              largest_slip_<i>
#   PARAMETER  the parameter column on the horizontal axis, such as BRKSYS.gain
#   GROUP      a parameter column whose values each get their own line
#
# Writes <summary name>_<FIGURE>.png beside SUMMARY (.svg with --svg), or FILE.
# A case without the figure (a vehicle that does not stop has no stopping time)
# leaves a gap in its line.
set -euo pipefail

program=$(basename "$0")

fail() {
  echo "$program: $*" >&2
  exit 1
}

# Installed, the script is kelvra-plot-study, and its usage says so.
usage() {
  sed -n '2,17p' "$0" | sed -e 's/^# \{0,1\}//' -e "s#scripts/plot_study.sh#${program/plot_study.sh/scripts/plot_study.sh}#"
}

extension=png
output=""
arguments=()
while [ $# -gt 0 ]; do
  case $1 in
  -h | --help)
    usage
    exit 0
    ;;
  --svg) extension=svg ;;
  --output)
    [ $# -ge 2 ] || {
      echo "$program: --output needs a file" >&2
      exit 2
    }
    output=$2
    shift
    ;;
  -*)
    echo "$program: unknown option '$1'" >&2
    usage >&2
    exit 2
    ;;
  *) arguments+=("$1") ;;
  esac
  shift
done
if [ ${#arguments[@]} -lt 3 ] || [ ${#arguments[@]} -gt 4 ]; then
  usage >&2
  exit 2
fi
summary=${arguments[0]}
figure=${arguments[1]}
parameter=${arguments[2]}
group=${arguments[3]:-}

command -v gnuplot >/dev/null 2>&1 ||
  fail "gnuplot is not installed (Debian package gnuplot-nox; scripts/install-deps.sh installs it)"
[ -r "$summary" ] || fail "cannot read '$summary'"
for column in "$figure" "$parameter" ${group:+"$group"}; do
  head -n 1 "$summary" | tr -d '\r' | tr ',' '\n' | grep -qxF -- "$column" ||
    fail "'$summary' has no column '$column'"
done
[ -n "$output" ] || output="${summary%.csv}_$figure.$extension"

case $figure in
peak_speed | largest_slip_*) unit="m/s" ;;
peak_acceleration | peak_deceleration) unit="m/s²" ;;
brake_time | stopping_time | sliding_time) unit="s" ;;
stopping_distance) unit="m" ;;
*) unit="" ;;
esac

# The points as gnuplot data blocks, one per group value in ascending order,
# each sorted by the parameter; a case without the figure ends its line there.
data=$(mktemp)
titles_file=$(mktemp)
trap 'rm -f "$data" "$titles_file"' EXIT
awk -F, -v figure="$figure" -v parameter="$parameter" -v group="$group" '
  NR == 1 {
    for (i = 1; i <= NF; ++i) { gsub(/\r/, "", $i); column[$i] = i }
    next
  }
  {
    gsub(/\r/, "")
    key = group == "" ? "" : $column[group]
    print key "," $column[parameter] "," $column[figure]
  }' "$summary" |
  sort -t, -k1,1g -k2,2g |
  awk -F, '
    NR > 1 && $1 != last { print ""; print "" }
    { print $2, ($3 == "" ? "NaN" : $3); last = $1 }
    NR == 1 || $1 != seen { titles = titles (NR == 1 ? "" : " ") $1; seen = $1 }
    END { print titles > "/dev/stderr" }' >"$data" 2>"$titles_file"
titles=$(cat "$titles_file")
blocks=$(($(wc -w <<<"$titles")))
[ "$blocks" -gt 0 ] || blocks=1

if [ "$extension" = svg ]; then
  terminal='svg noenhanced font "DejaVu Sans,11" background rgb "white" size 900,560'
elif gnuplot -e 'set terminal pngcairo' >/dev/null 2>&1; then
  terminal='pngcairo noenhanced font "DejaVu Sans,11" size 900,560'
else
  terminal='png noenhanced size 900,560'
fi

label="$figure${unit:+ [$unit]}"
if [ -n "$group" ]; then
  curves="for [i=1:$blocks] \"$data\" index (i-1) using 1:2 with linespoints lw 2 pt 7 title \"$group = \".word(\"$titles\", i)"
else
  curves="\"$data\" using 1:2 with linespoints lw 2 pt 7 notitle"
fi
gnuplot <<GNUPLOT
set terminal $terminal
set output "$output"
set title "$figure against $parameter"
set xlabel "$parameter"
set ylabel "$label"
set grid
set key outside right top box
set datafile missing "NaN"
plot $curves
GNUPLOT
echo "$output"
