#!/usr/bin/env bash
# Installs what is missing, builds everything with the dev preset (Debug with
# AddressSanitizer and UndefinedBehaviorSanitizer, build-dev/) and runs every
# test. Before the test suites it runs the robustness checks: every fuzz target
# for a short time (scripts/fuzz.sh, fuzz preset) and a valgrind memcheck of a
# console run (memcheck preset, a build without sanitizers). Every build treats
# warnings as errors (KELVRA_WERROR). This is what CI runs.
#
#   bash scripts/test.sh            everything
#   bash scripts/test.sh --quick    the dev build and the unit lane only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
quick=""
case ${1:-} in
"") ;;
--quick) quick=1 ;;
*)
  echo "usage: scripts/test.sh [--quick]" >&2
  exit 2
  ;;
esac
bash "$root/scripts/install-deps.sh"
export KELVRA_WERROR=ON
cd "$root"
cmake --preset dev -DKELVRA_WERROR=ON >/dev/null
cmake --build --preset dev -j "$(nproc)"

if [ -n "$quick" ]; then
  exec ctest --preset unit -j "$(nproc)"
fi

# A failed check does not stop the test suites; the script fails at the end.
failed=()
echo "== Fuzzing every reader for ${KELVRA_FUZZ_SECONDS:-15} s"
bash "$root/scripts/fuzz.sh" "${KELVRA_FUZZ_SECONDS:-15}" || failed+=(fuzzing)

# Valgrind cannot run the sanitized program: the memcheck preset builds it without.
memcheck() {
  cmake --preset memcheck -DKELVRA_WERROR=ON >/dev/null &&
    cmake --build --preset memcheck -j "$(nproc)" &&
    ctest --preset memcheck
}
echo "== Memcheck of a console run"
memcheck || failed+=(memcheck)

# ThreadSanitizer cannot share a build with AddressSanitizer: a build of its
# own runs a batch (as CSV and as HDF5 files) and a study of the shipped data
# on two jobs each, the runs whose sets and cases share the set-up and the
# console across threads.
tsan() {
  local build="$root/build-tsan" work
  cmake --preset tsan -DKELVRA_WERROR=ON >/dev/null &&
    cmake --build --preset tsan -j "$(nproc)" || return 1
  work=$(mktemp -d)
  cp -r "$root/data/." "$work"
  local status=0
  (cd "$work" && export TSAN_OPTIONS=halt_on_error=1:exitcode=66 &&
    "$build/kelvra" --batch --history demo_history.in --jobs 2 --sets 1-3 </dev/null >batch.log &&
    "$build/kelvra" --batch --history demo_history.in --jobs 2 --sets 1-3 --states \
      --format hdf5 </dev/null >hdf5.log &&
    "$build/kelvra" --study study_brake_adhesion.csv --history demo_history.in --jobs 2 \
      --sets 1-3 --modes </dev/null >study.log) || status=$?
  [ "$status" -eq 0 ] || tail -n 40 "$work"/*.log
  rm -rf "$work"
  return "$status"
}
echo "== ThreadSanitizer runs of batches and a study on two jobs"
tsan || failed+=(tsan)

echo "== Test suites"
status=0
ctest --preset dev -j "$(nproc)" || status=$?
if [ ${#failed[@]} -ne 0 ]; then
  echo "Failed robustness checks: ${failed[*]}" >&2
  exit 1
fi
exit "$status"
