#!/usr/bin/env bash
# Installs what is missing, builds everything in Debug with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test. Before the test suites it runs
# the robustness checks: every fuzz target for a short time (scripts/fuzz.sh) and
# a valgrind memcheck of a console run, on a build without sanitizers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build-test" -DCMAKE_BUILD_TYPE=Debug -DKELVRA_SANITIZE=ON >/dev/null
cmake --build "$root/build-test" -j "$(nproc)"

# A failed check does not stop the test suites; the script fails at the end.
failed=()
echo "== Fuzzing every reader for ${KELVRA_FUZZ_SECONDS:-15} s"
bash "$root/scripts/fuzz.sh" "${KELVRA_FUZZ_SECONDS:-15}" || failed+=(fuzzing)

# Valgrind cannot run the sanitized program: the memcheck builds it without.
memcheck() {
  cmake -S "$root" -B "$root/build-memcheck" -DCMAKE_BUILD_TYPE=Debug -DKELVRA_TESTS=OFF \
    -DKELVRA_BENCH=OFF >/dev/null &&
    cmake --build "$root/build-memcheck" -j "$(nproc)" --target kelvra &&
    (cd "$root/build-memcheck" && ctest --output-on-failure -L memcheck)
}
echo "== Memcheck of a console run"
memcheck || failed+=(memcheck)

echo "== Test suites"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
(cd "$root/build-test" && ctest --output-on-failure -j "$(nproc)") || status=$?
if [ ${#failed[@]} -ne 0 ]; then
  echo "Failed robustness checks: ${failed[*]}" >&2
  exit 1
fi
exit "$status"
