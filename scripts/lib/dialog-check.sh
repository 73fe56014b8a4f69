# Sourced by the test and demo commands: check_message_box PROBE shows one message box on
# $DISPLAY with the probe built beside the program (kx_message_box_probe, the program's own
# message-box layer), waits until its window is listed and closes it. Where no box can be shown
# it says why on stderr and returns 1, within seconds instead of a test's timeout.
check_message_box() {
  local probe=$1 log pid reason
  # The probe's caption, which becomes the dialog window's name.
  local title='"Kullerix message box check"'
  log=$(mktemp)
  "$probe" 2>"$log" &
  pid=$!
  local deadline=$((SECONDS + 10))
  while kill -0 "$pid" 2>/dev/null && ((SECONDS < deadline)); do
    if xwininfo -root -tree 2>/dev/null | grep -qF "$title"; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      rm -f "$log"
      return 0
    fi
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    reason="no dialog window appeared within 10 s"
  else
    # The layer's stderr line ends in "(no message box: REASON)".
    reason=$(sed -n 's/.*(no message box: \(.*\))$/\1/p' "$log")
    [[ -n "$reason" ]] || reason="the probe ended without a dialog: $(head -c 300 "$log")"
  fi
  wait "$pid" 2>/dev/null || true
  rm -f "$log"
  echo "no message box can be shown on this display: $reason" >&2
  return 1
}
