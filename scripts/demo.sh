#!/usr/bin/env bash
# Installs what is missing, builds Kullerix and runs it in build/run.
# With no display it runs the demo under Xvfb until it shows its frame rate (a few seconds)
# and saves a screenshot. Either way it first checks that message boxes can be shown, and warns.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/xvfb.sh"
source "$root/scripts/dialog_check.sh"

"$root/scripts/install-deps.sh" demo
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$root/build" -j"$(nproc)" >/dev/null
cd "$root/build/run"
# The program reports missing or damaged files in message boxes; the demo runs without them.
probe="$root/build/kx_message_box_probe"

own_display=no
if ! { [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; }; then
  start_xvfb
  own_display=yes
fi
check_message_box "$probe" || echo "demo: Kullerix runs anyway; its failure reports go to stderr only" >&2
[[ $own_display == yes ]] || exec "$root/build/kullerix" "$@"

"$root/build/kullerix" "$@" &
pid=$!
for _ in $(seq 600); do
  xwininfo -root -tree | grep -q '"Kullerix"' && break
  kill -0 "$pid" 2>/dev/null || { echo "kullerix ended early" >&2; exit 1; }
  sleep 0.1
done
# The part of the window that lies on the screen (without a window manager GLUT may place it
# a pixel off the top-left corner).
geometry=$(xwininfo -name Kullerix | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
  /Width/{w=$2} /Height/{h=$2}
  END{if (x < 0) {w += x; x = 0} if (y < 0) {h += y; y = 0} printf "%dx%d+%d+%d", w, h, x, y}')
shot="$root/build/kullerix-screenshot.png"
window_shot() { import -window root png:- | convert png:- -crop "$geometry" +repage "$1"; }
# The frame-rate figure in the bottom-right corner reads 0 until a second of frames is counted;
# the first count includes the start-up, the second is the demo's own rate.
corner() { convert "$1" -gravity SouthEast -crop 200x60+0+0 +repage "$2"; }
differs() { [[ $(compare -metric AE "$1" "$2" null: 2>&1) != 0 ]]; }

# Wait for the first frame (a window with more than one colour), then for the figure to change
# twice.
scratch=$(mktemp -d)
previous=""
changes=0
ready=no
for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || { echo "kullerix ended early" >&2; exit 1; }
  window_shot "$shot"
  if [[ -z "$previous" ]]; then
    if [[ $(convert "$shot" -format '%k' info:) -gt 1 ]]; then
      previous="$scratch/previous-corner.png"
      corner "$shot" "$previous"
    fi
  else
    corner "$shot" "$scratch/corner.png"
    if differs "$previous" "$scratch/corner.png"; then
      ((++changes < 2)) || { ready=yes; break; }
      mv "$scratch/corner.png" "$previous"
    fi
  fi
  sleep 0.1
done
rm -rf "$scratch"
[[ $ready == yes ]] || echo "kullerix showed no frame rate in time; the screenshot is of its last picture" >&2
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "No display: ran Kullerix under Xvfb until it showed its frame rate; screenshot saved to $shot"
