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

echo "== Test suites"
status=0
ctest --preset dev -j "$(nproc)" || status=$?
if [ ${#failed[@]} -ne 0 ]; then
  echo "Failed robustness checks: ${failed[*]}" >&2
  exit 1
fi
exit "$status"
