#!/usr/bin/env bash
# Fuzzes every reader of untrusted text with libFuzzer (clang, AddressSanitizer,
# UndefinedBehaviorSanitizer): the model file's components and DOFS with the
# matrix chain, the vehicle-system sections, the style file, the external force
# history, the batch parameter sets and the parameter study file.
#
#   bash scripts/fuzz.sh [SECONDS]     each target for SECONDS (default 60)
#
# Builds build-fuzz/ (the fuzz preset), runs the targets two at a time
# (FUZZ_JOBS), each from the committed seeds of fuzz/corpus/<target>/ into a
# fresh working corpus under build-fuzz/corpus/, and prints per target the
# executions, the coverage (cov: edges, ft: features) and the corpus size
# reached. Exits non-zero when a target crashed, hung (-timeout), leaked or hit
# a sanitizer report; the input is saved under build-fuzz/artifacts/<target>/
# and the report's tail is printed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
jobs=${FUZZ_JOBS:-$(nproc)}
targets=(model vehicle style history batch study)
build="$root/build-fuzz"

bash "$root/scripts/install-deps.sh"
# KELVRA_WERROR=ON in the environment (scripts/test.sh) turns warnings into errors.
cd "$root"
cmake --preset fuzz ${KELVRA_WERROR:+-DKELVRA_WERROR=$KELVRA_WERROR} >/dev/null
if ! cmake --build --preset fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}" >"$build/build.log" 2>&1; then
  cat "$build/build.log"
  exit 1
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# One target: fresh working corpus first (libFuzzer adds new inputs to it), the
# committed seeds second (only read).
run_target() {
  local target=$1
  local work="$build/corpus/$target" artifacts="$build/artifacts/$target"
  local status=0
  rm -rf "$work" && mkdir -p "$work" "$artifacts"
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -dict="$root/fuzz/dictionaries/$target.dict" \
    -artifact_prefix="$artifacts/" "$work" "$root/fuzz/corpus/$target" \
    >"$build/fuzz_$target.log" 2>&1 || status=$?
  echo "$status" >"$build/fuzz_$target.status"
}

for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run_target "$target" &
done
wait

printf '%-8s %12s %8s %8s %8s %8s  %s\n' target executions exec/s cov ft corpus result
failures=()
for target in "${targets[@]}"; do
  log="$build/fuzz_$target.log"
  status=$(cat "$build/fuzz_$target.status")
  stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -1; }
  # The last status line: "#N DONE cov: C ft: F corp: U/S ..." (or the last pulse).
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  field() { sed -n "s/.* $1: \([^ ]*\).*/\1/p" <<<"$last"; }
  result=ok
  if [ "$status" -ne 0 ]; then
    result="FAILED (exit $status)"
    failures+=("$target")
  fi
  printf '%-8s %12s %8s %8s %8s %8s  %s\n' "$target" "$(stat number_of_executed_units)" \
    "$(stat average_exec_per_sec)" "$(field cov)" "$(field ft)" "$(field corp)" "$result"
done

for target in "${failures[@]}"; do
  echo
  echo "--- fuzz_$target: the end of $build/fuzz_$target.log ---"
  tail -60 "$build/fuzz_$target.log"
done
[ ${#failures[@]} -eq 0 ]
