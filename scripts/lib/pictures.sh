# Sourced by the scripts and tests that take and compare pictures of the running program.

# The frame-rate figure of a start view, which no two runs draw alike (ImageMagick's -draw).
rate_corner="rectangle 620,540 799,599"
rate_crop="180x60+620+540"  # the same corner as a crop geometry

# masked <picture> <out>: the picture with its frame-rate figure painted black.
masked() { convert "$1" -fill black -draw "$rate_corner" "$2"; }

# within_tolerance <made> <committed>: at most one pixel in a thousand differs by more than 3%.
# Rounding in another Mesa or CPU moves colours by a level or two; a changed light, material,
# map, camera or step moves thousands of pixels by far more.
within_tolerance() {
  local count pixels
  count=$(compare -metric AE -fuzz 3% "$1" "$2" null: 2>&1) || true
  count=${count%% *}
  pixels=$(identify -format '%[fx:w*h]' "$1")
  [[ $count =~ ^[0-9.e+]+$ ]] && awk -v c="$count" -v p="$pixels" 'BEGIN { exit !(c <= p / 1000) }'
}

# shoot_running_program PID FILE [rated]: saves the window's picture in FILE once it shows a
# complete, still start view: a drawn picture (more than one colour) that two shots in a row
# show alike, frame-rate figure aside. With "rated" it also waits until that figure has
# changed at least once: the program has published a rate it measured (its first frame shows
# a count at once). Fails, with FILE removed and what it waited for on stderr, when the
# program ends or 90 s pass first. The window must lie wholly on the screen (GLUT's option
# -geometry +0+0 puts it there where no window manager places it).
shoot_running_program() {
  local pid=$1 file=$2 rated=${3:-} deadline=$((SECONDS + 90)) window="" shot
  local corner view colours previous="" first="" awaited="the Kullerix window"
  shot=$(mktemp --suffix=.ppm)  # PPM: quick to write, so that shots follow close on each other
  while :; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "shoot_running_program: the program ended while waiting for $awaited" >&2
      break
    elif ((SECONDS >= deadline)); then
      echo "shoot_running_program: no $awaited within 90 s" >&2
      break
    elif [[ -z $window ]]; then
      window=$(xwininfo -name Kullerix 2>/dev/null | awk '/Window id/ { print $4 }') || true
      [[ -n $window ]] || sleep 0.1
      continue
    fi
    awaited="a drawn picture in the Kullerix window"
    import -window "$window" "$shot" 2>/dev/null || continue
    # The corner's signature, the signature and the number of colours of the rest.
    read -r corner view colours <<<"$(convert "$shot" \( +clone -crop "$rate_crop" +repage \
      -format '%# ' -write info: +delete \) -fill black -draw "$rate_corner" -format '%# %k' info:)"
    ((colours > 1)) || continue
    first=${first:-$corner}
    if [[ $view != "$previous" ]]; then
      awaited="a still start view (two shots alike, frame-rate figure aside)"
    elif [[ -n $rated && $corner == "$first" ]]; then
      awaited="a measured frame rate (a change of the frame-rate figure) in a still start view"
    else
      convert "$shot" "$file"
      rm -f "$shot"
      return 0
    fi
    previous=$view
  done
  rm -f "$shot" "$file"
  return 1
}

# shoot_and_end PID FILE [rated]: shoot_running_program, then ends the program and waits for it,
# before its display goes, so that it has no lost X connection to complain of. Returns what
# shoot_running_program returned.
shoot_and_end() {
  local shot=0
  shoot_running_program "$@" || shot=$?
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  return $shot
}
