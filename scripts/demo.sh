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
shot="$root/build/kullerix-screenshot.png"
# The part of the window that lies on the screen (without a window manager GLUT may place it a
# pixel off the top-left corner); nothing while there is no window.
geometry() {
  xwininfo -name Kullerix 2>/dev/null | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width/{w=$2} /Height/{h=$2}
    END{if (x < 0) {w += x; x = 0} if (y < 0) {h += y; y = 0} if (w) printf "%dx%d+%d+%d", w, h, x, y}'
}
# Once the window shows a picture (more than one colour), the frame-rate figure in its
# bottom-right corner reads 0 until a second of frames is counted; the first count includes the
# start-up, the second is the demo's own rate. So the screenshot is taken at its second change.
corner="" changes=0
for _ in $(seq 600); do
  kill -0 "$pid" 2>/dev/null || { echo "kullerix ended early" >&2; exit 1; }
  window=$(geometry) || true
  if [[ -n "$window" ]] && import -window root -crop "$window" +repage "$shot" 2>/dev/null &&
     [[ $(convert "$shot" -format '%k' info:) -gt 1 ]]; then
    seen=$(convert "$shot" -gravity SouthEast -crop 200x60+0+0 +repage -format '%#' info:)
    [[ -z "$corner" || "$seen" == "$corner" ]] || changes=$((changes + 1))
    corner=$seen
    ((changes < 2)) || break
  fi
  sleep 0.1
done
((changes >= 2)) || echo "kullerix showed no frame rate in time; the screenshot is of its last picture" >&2
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "No display: ran Kullerix under Xvfb until it showed its frame rate; screenshot saved to $shot"
