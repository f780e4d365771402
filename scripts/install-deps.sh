#!/usr/bin/env bash
# Installs the Debian packages the build (the HDF5 library among them), the tests, the window
# tests, scripts/plot.sh, the run manifests (JSON, SHA-256), the cluster recipe's GNU parallel and
# the robustness checks (fuzzing, memcheck) need.
# Idempotent: checks every package with dpkg and only calls apt-get when one is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libtnt-dev libjama-dev liblapack-dev
  # --format hdf5: the HDF5 C library; the tests and docs read the files back with h5py.
  libhdf5-dev python3-h5py
  freeglut3-dev libglu1-mesa-dev libdevil-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick fonts-dejavu-core
  gnuplot-nox
  # The run manifests: JSON written by nlohmann-json, SHA-256 by OpenSSL's libcrypto.
  nlohmann-json3-dev libssl-dev
  # The README's recipe that spreads a batch over processes or machines.
  parallel
  # Robustness checks: libFuzzer targets (clang and its runtime), the memcheck test.
  clang libclang-rt-14-dev valgrind
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
