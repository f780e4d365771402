#!/usr/bin/env bash
# Installs what is missing, builds everything in Debug with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build-test" -DCMAKE_BUILD_TYPE=Debug -DKELVRA_SANITIZE=ON >/dev/null
cmake --build "$root/build-test" -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$root/build-test"
ctest --output-on-failure -j "$(nproc)"
