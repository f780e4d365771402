#!/usr/bin/env bash
# Runs the window tests again and again while a CPU hog keeps every core busy,
# and counts how many runs pass: a window test must not fail by chance on a
# loaded machine. Run by hand, not in CI:
#   bash scripts/window-tests-under-load.sh [RUNS] [BUILD_DIR]
# RUNS defaults to 20, BUILD_DIR to build (it must hold display_window_tests
# and kelvra, for example from `cmake --build build --target display_window_tests`).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-20}
build=${2:-$root/build}
tests="$build/tests/display/display_window_tests"
[ -x "$tests" ] || { echo "no $tests: build the target display_window_tests first" >&2; exit 2; }

hogs=()
stop_hogs() {
  for pid in "${hogs[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap stop_hogs EXIT
for ((core = 0; core < $(nproc); core++)); do
  (while :; do :; done) &
  hogs+=($!)
done
echo "CPU hogs running on $(nproc) cores: ${hogs[*]}"

passed=0
for ((run = 1; run <= runs; run++)); do
  log=$(mktemp)
  start=$(date +%s)
  if xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$tests" >"$log" 2>&1; then
    passed=$((passed + 1))
    result=passed
  else
    result=FAILED
    grep -E "Failure|FAILED|Expected|actual" "$log" | head -20 || true
  fi
  echo "run $run: $result in $(($(date +%s) - start)) s (load $(cut -d' ' -f1 /proc/loadavg))"
  rm -f "$log"
done
echo "passed $passed of $runs"
[ "$passed" -eq "$runs" ]
