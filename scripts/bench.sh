#!/usr/bin/env bash
# Builds the benchmarks in Release (release preset, build/), runs them (the
# window's frame under a virtual X server) and prints a table of the medians with
# the goals they are held to.
# Extra arguments go to the benchmark program, e.g. --benchmark_filter=Kelvra.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset bench -j "$(nproc)"
json=$(mktemp)
trap 'rm -f "$json"' EXIT
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$root/build/bench/kelvra_bench" \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$json" --benchmark_out_format=json "$@" >/dev/null
python3 "$root/scripts/bench_table.py" "$json"
