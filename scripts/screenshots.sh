#!/usr/bin/env bash
# Takes the screenshots of the README under a virtual X server: the window
# replaying the demo history paced by the wall clock, once while the traction
# pulls the vehicle away (docs/images/running.png) and once while the full
# brake makes every wheel slide and the slip lamps light (docs/images/braking.png),
# then the same window shrunk to 500 x 350 and 200 x 120 pixels
# (docs/images/small-500x350.png, docs/images/small-200x120.png).
#   bash scripts/screenshots.sh [BUILD_DIR]
# BUILD_DIR (default build, the release preset's) must hold the program, or it is
# built there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
if [ -z "${KELVRA_SCREENSHOTS_INSIDE:-}" ]; then
  bash "$root/scripts/install-deps.sh"
  if [ ! -x "$build/kelvra" ]; then
    if [ "$build" = "$root/build" ]; then
      (cd "$root" && cmake --preset release >/dev/null && cmake --build --preset program -j "$(nproc)")
    else
      cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
      cmake --build "$build" --target kelvra -j "$(nproc)"
    fi
  fi
  build=$(cd "$build" && pwd)
  KELVRA_SCREENSHOTS_INSIDE=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$0" "$build"
fi

out="$root/docs/images"
mkdir -p "$out"
work=$(mktemp -d)
cp -r "$root/data/." "$work/"
mkdir -p "$work/results"
cd "$work"
"$build/kelvra" --real-time --history demo_history.in </dev/null >console.txt 2>&1 &
program=$!
trap 'kill "$program" 2>/dev/null || true; rm -rf "$work"' EXIT

# The window once it has drawn its first frame (the frame rate is in its title).
window=""
for _ in $(seq 1 300); do
  window=$(xdotool search --name 'train simulator \[FPS: ' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "the window did not appear" >&2; cat console.txt >&2; exit 1; }

shoot() {  # file width height
  import -window root -crop "$2x$3+0+0" +repage "$1"
}

# The history pulls with full traction for 6 s of simulated time.
sleep 5
shoot "$out/running.png" 1024 768

# The full brake follows after 8 s of coasting; the first slip lamp (axle 1)
# lights in the accent colour once its wheel slides.
lit=""
for _ in $(seq 1 120); do
  pixel=$(import -window root -crop 1x1+756+132 +repage -depth 8 txt:- | tail -1)
  case "$pixel" in *"(55,181,229)"*) lit=1; break ;; esac
  sleep 0.5
done
[ -n "$lit" ] || { echo "the wheels never slid" >&2; exit 1; }
sleep 1.5
shoot "$out/braking.png" 1024 768

for size in 500x350 200x120; do
  xdotool windowsize "$window" "${size%x*}" "${size#*x}"
  sleep 1.5
  shoot "$out/small-$size.png" "${size%x*}" "${size#*x}"
done
echo "Screenshots in $out"
