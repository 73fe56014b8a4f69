# Sourced by the scripts: start_display [xvfb|openbox|weston] starts a private display
# (scripts/start-display.sh; a bare Xvfb when not named), waits until it takes clients and
# exports DISPLAY; it is stopped when the calling shell exits (KX_XVFB_PID, for a script that
# sets its own exit trap). start_xvfb is start_display xvfb.
# KX_XVFB_ARGS adds arguments to the server's (e.g. KX_XVFB_ARGS="-fp /an/empty/dir" to see
# the commands without X core fonts).
start_display() {
  local extra display fifo
  read -ra extra <<<"${KX_XVFB_ARGS:-}"
  # A named pipe, not a process substitution: a bare system may have no /dev/fd.
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  "$(dirname "${BASH_SOURCE[0]}")/../start-display.sh" "${1:-xvfb}" "${extra[@]}" >"$fifo" &
  KX_XVFB_PID=$!
  trap 'kill $KX_XVFB_PID 2>/dev/null || true' EXIT
  read -r display <"$fifo" || true
  rm -f "$fifo"
  [[ -n "$display" ]] || return 1
  export DISPLAY=$display
}

start_xvfb() { start_display xvfb; }
