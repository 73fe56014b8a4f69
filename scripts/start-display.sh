#!/usr/bin/env bash
# Starts a private X display for the scripts and the tests, prints its name (":N") on one line
# once it takes clients, and keeps it until this script is ended: SIGTERM stops everything it
# started. A caller reads the line and ends the script when done.
# Usage: scripts/start-display.sh [xvfb|openbox|weston] [Xvfb argument...]
#   xvfb     a bare Xvfb, 1280x1024 at 24 bits (the arguments add to or override its own)
#   openbox  the same with the openbox window manager, once it manages windows
#   weston   the Xwayland of a headless weston compositor
set -euo pipefail
source "$(dirname "$0")/lib/usage.sh"
answer_help "$0" "$@"
desktop=${1:-xvfb}
shift || true
scratch=$(mktemp -d)
started=()
trap 'kill "${started[@]}" 2>/dev/null || true; wait; rm -rf "$scratch"' EXIT
trap 'exit 0' TERM INT HUP

# until_ok SECONDS COMMAND...: runs the command until it succeeds; fails after SECONDS.
until_ok() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# Sets display. -noreset: without it the server resets when its last client leaves, and a
# client that connects during the reset (the program right after the check) is refused. A
# server that takes no clients on a busy machine is replaced.
run_xvfb() {
  local attempt number
  for attempt in 1 2 3; do
    rm -f "$scratch/number"
    mkfifo "$scratch/number"
    Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp "$@" 3>"$scratch/number" \
      >/dev/null 2>&1 &
    started+=($!)
    read -r number <"$scratch/number" || true
    [[ -n "$number" ]] || { echo "Xvfb did not start" >&2; exit 1; }
    display=":$number"
    until_ok 10 xdpyinfo -display "$display" && return
    kill "${started[-1]}"
    unset 'started[-1]'
  done
  echo "no Xvfb took clients after three starts" >&2
  exit 1
}

# Maps a small window and waits up to 5 s for the window manager to list it; then closes it
# and waits until the list is empty again.
managed_probe() {
  local probe listed=1
  DISPLAY=$display xmessage -name kx-probe -timeout 30 probe >/dev/null 2>&1 &
  probe=$!
  until_ok 5 bash -c "xprop -display $display -root _NET_CLIENT_LIST | grep -q 0x" ||
    listed=0
  kill "$probe" 2>/dev/null
  wait "$probe" 2>/dev/null
  ((listed)) && until_ok 10 bash -c "! xprop -display $display -root _NET_CLIENT_LIST | grep -q 0x"
}

case $desktop in
  xvfb) run_xvfb "$@" ;;
  openbox)
    run_xvfb "$@"
    # Its own settings folders keep a user's key bindings and logs out.
    DISPLAY=$display XDG_CONFIG_HOME=$scratch XDG_CACHE_HOME=$scratch openbox --sm-disable \
      >/dev/null 2>&1 &
    started+=($!)
    until_ok 30 bash -c "xprop -display $display -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" ||
      { echo "openbox did not start" >&2; exit 1; }
    # It claims the screen before it has loaded its theme and fonts, and a window mapped in that
    # time may stay unmanaged (and GLUT waits for its window to be mapped). So it is ready only
    # once it has managed a window of its own: a probe, mapped again until it is listed.
    until managed_probe; do
      ((SECONDS < 60)) || { echo "openbox manages no window" >&2; exit 1; }
    done
    ;;
  weston)
    # Weston offers Xwayland on the first free display, and needs the sockets' folder for it.
    [[ -d /tmp/.X11-unix ]] || mkdir -m 1777 /tmp/.X11-unix
    mkdir -m 0700 "$scratch/runtime"
    XDG_RUNTIME_DIR=$scratch/runtime weston --backend=headless-backend.so --width=1280 \
      --height=1024 --xwayland --no-config --idle-time=0 --log="$scratch/weston.log" >/dev/null 2>&1 &
    started+=($!)
    until_ok 30 grep -q "listening on display" "$scratch/weston.log" ||
      { echo "weston offered no X display" >&2; exit 1; }
    display=$(sed -n 's/.*listening on display \(:[0-9]*\).*/\1/p' "$scratch/weston.log")
    # The first client starts Xwayland.
    until_ok 30 xdpyinfo -display "$display" || { echo "Xwayland did not start" >&2; exit 1; }
    ;;
  *) echo "usage: $0 [xvfb|openbox|weston] [Xvfb argument...]" >&2; exit 2 ;;
esac
echo "$display"
# Until ended, or until what it started ends.
wait
