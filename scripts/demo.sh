#!/usr/bin/env bash
# Installs what is missing, builds Kullerix into build/release and runs it in build/release/run.
# With no display it runs the demo under Xvfb until it shows its frame rate (a few seconds)
# and saves a screenshot to build/kullerix-screenshot.png, or fails saying what did not come
# within 90 s. Either way it first checks that message boxes can be shown, and warns if they
# cannot.
# Usage: scripts/demo.sh [GLUT option...]   (e.g. -geometry +0+0)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/usage.sh"
answer_help "$0" "$@"
source "$root/scripts/lib/xvfb.sh"
source "$root/scripts/lib/dialog-check.sh"
source "$root/scripts/lib/pictures.sh"
build=$root/build/release

"$root/scripts/install-deps.sh" demo
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
cd "$build/run"
# The program reports missing or damaged files in message boxes; the demo runs without them.
probe="$build/kx_message_box_probe"

own_display=no
if ! { [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; }; then
  start_xvfb
  own_display=yes
fi
check_message_box "$probe" || echo "demo: Kullerix runs anyway; its failure reports go to stderr only" >&2
[[ $own_display == yes ]] || exec "$build/kullerix" "$@"

"$build/kullerix" -geometry +0+0 "$@" &
pid=$!
shot="$root/build/kullerix-screenshot.png"
if ! shoot_and_end "$pid" "$shot" rated; then
  echo "demo: no screenshot: Kullerix did not show a still start view with its frame rate" >&2
  exit 1
fi
echo "No display: ran Kullerix under Xvfb until it showed its frame rate; screenshot saved to $shot"
