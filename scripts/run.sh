#!/usr/bin/env bash
# Installs what is missing, builds the Release program and runs it in data/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DKELVRA_TESTS=OFF -DKELVRA_BENCH=OFF >/dev/null
cmake --build "$root/build" --target kelvra -j "$(nproc)"
cd "$root/data"
exec "$root/build/kelvra" "$@"
