# Sourced by the scripts: start_xvfb starts a private Xvfb and exports DISPLAY; it is stopped
# when the calling shell exits.
start_xvfb() {
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  KX_XVFB_PID=$!
  local number
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
  trap 'kill $KX_XVFB_PID 2>/dev/null || true' EXIT
}
