# Sourced by the scripts: start_xvfb starts a private Xvfb, waits until it takes clients and
# exports DISPLAY; it is stopped when the calling shell exits. KX_XVFB_ARGS adds arguments to
# the server's (e.g. KX_XVFB_ARGS="-fp /an/empty/dir" to see the commands without X core fonts).
start_xvfb() {
  local fifo number extra
  read -ra extra <<<"${KX_XVFB_ARGS:-}"
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # -noreset: without it the server resets when its last client leaves, and a client that
  # connects during the reset (the program right after the readiness check) is refused.
  Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp "${extra[@]}" 3>"$fifo" \
    >/dev/null 2>&1 &
  KX_XVFB_PID=$!
  trap 'kill $KX_XVFB_PID 2>/dev/null || true' EXIT
  read -r number <"$fifo" || true
  rm -f "$fifo"
  [[ -n "$number" ]] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$number"
  local deadline=$((SECONDS + 10))
  until xdpyinfo >/dev/null 2>&1; do
    ((SECONDS < deadline)) || { echo "Xvfb on $DISPLAY takes no clients" >&2; return 1; }
    sleep 0.1
  done
}
