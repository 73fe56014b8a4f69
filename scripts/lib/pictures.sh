# Sourced by the scripts and tests that take and compare pictures of the running program.

# The frame-rate figure of a start view, which no two runs draw alike (ImageMagick's -draw).
rate_corner="rectangle 620,540 799,599"

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

# shoot_running_program PID FILE: waits until the program's window shows a picture, then until
# the frame-rate figure in its bottom-right corner has changed twice (the first count includes
# the start-up, the second is the program's own rate), and saves the window's picture in FILE.
# A program that draws a frame or two a second (under an emulator, say) may show the same count
# every second, so 10 s after its first picture the picture of the moment serves.
# Returns 1, with the last picture (if any) in FILE, when the program ends or shows no picture
# within 60 s. The window must lie wholly on the screen (GLUT's option -geometry +0+0 puts it
# there where no window manager places it).
shoot_running_program() {
  local pid=$1 file=$2 window="" corner previous="" changes=0 deadline=$((SECONDS + 60)) steady=""
  while ((changes < 2)) && [[ -z $steady || $SECONDS -lt $steady ]]; do
    kill -0 "$pid" 2>/dev/null || return 1
    [[ -n $steady ]] || ((SECONDS < deadline)) || return 1
    if [[ -z $window ]]; then
      window=$(xwininfo -name Kullerix 2>/dev/null | awk '/Window id/ { print $4 }') || true
    elif import -window "$window" "$file" 2>/dev/null && (($(identify -format %k "$file") > 1)); then
      corner=$(convert "$file" -gravity SouthEast -crop 180x60+0+0 +repage -format %# info:)
      [[ -z $previous || $corner == "$previous" ]] || changes=$((changes + 1))
      previous=$corner
      [[ -n $steady ]] || steady=$((SECONDS + 10))
    fi
    sleep 0.1
  done
}

# shoot_and_end PID FILE: shoot_running_program, then ends the program and waits for it, before
# its display goes, so that it has no lost X connection to complain of. Returns what
# shoot_running_program returned.
shoot_and_end() {
  local shot=0
  shoot_running_program "$1" "$2" || shot=$?
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  return $shot
}
