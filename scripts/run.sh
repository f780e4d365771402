#!/usr/bin/env bash
# Installs what is missing, builds the Release program (release preset, build/) and
# runs it in data/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset program -j "$(nproc)"
cd "$root/data"
exec "$root/build/kelvra" "$@"
