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
  "$(dirname "${BASH_SOURCE[0]}")/start-display.sh" xvfb "${extra[@]}" >"$fifo" &
  KX_XVFB_PID=$!
  trap 'kill $KX_XVFB_PID 2>/dev/null || true' EXIT
  read -r display <"$fifo" || true
  rm -f "$fifo"
  [[ -n "$display" ]] || return 1
  export DISPLAY=$display
}

# shoot_running_program PID FILE: waits until the program's window shows a picture, then until
# the frame-rate figure in its bottom-right corner has changed twice (the first count includes
# the start-up, the second is the program's own rate), and saves the window's picture in FILE.
# Returns 1, with the last picture (if any) in FILE, when the program ends or shows no frame rate
# within 60 s. The window must lie wholly on the screen (GLUT's option -geometry +0+0 puts it
# there where no window manager places it).
shoot_running_program() {
  local pid=$1 file=$2 window="" corner previous="" changes=0 deadline=$((SECONDS + 60))
  while ((changes < 2)); do
    ((SECONDS < deadline)) && kill -0 "$pid" 2>/dev/null || return 1
    if [[ -z $window ]]; then
      window=$(xwininfo -name Kullerix 2>/dev/null | awk '/Window id/ { print $4 }') || true
    elif import -window "$window" "$file" 2>/dev/null && (($(identify -format %k "$file") > 1)); then
      corner=$(convert "$file" -gravity SouthEast -crop 180x60+0+0 +repage -format %# info:)
      [[ -z $previous || $corner == "$previous" ]] || changes=$((changes + 1))
      previous=$corner
    fi
    sleep 0.1
  done
}
