# Sourced by the scripts: start_xvfb starts a private Xvfb (scripts/start-display.sh), waits
# until it takes clients and exports DISPLAY; it is stopped when the calling shell exits.
# KX_XVFB_ARGS adds arguments to the server's (e.g. KX_XVFB_ARGS="-fp /an/empty/dir" to see
# the commands without X core fonts).
start_xvfb() {
  local extra display fifo
  read -ra extra <<<"${KX_XVFB_ARGS:-}"
  # A named pipe, not a process substitution: a bare system may have no /dev/fd.
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  "$(dirname "${BASH_SOURCE[0]}")/../start-display.sh" xvfb "${extra[@]}" >"$fifo" &
  KX_XVFB_PID=$!
  trap 'kill $KX_XVFB_PID 2>/dev/null || true' EXIT
  read -r display <"$fifo" || true
  rm -f "$fifo"
  [[ -n "$display" ]] || return 1
  export DISPLAY=$display
}
