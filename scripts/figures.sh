#!/usr/bin/env bash
# Remakes every picture in docs/: the README's screenshot, taken of the real program, and the
# pictures of docs/how-it-works.md, drawn by kx_figures (docs/figures/) with the program's own
# set-up and drawing functions and then cropped and set side by side here. All of it is drawn
# on a private Xvfb by Mesa's software renderer, so every run makes the same pictures.
# Usage: scripts/figures.sh [--check] [build dir]
#   build dir: default build/figures; a build with the tests has the drawing tool, any other
#   is configured with KX_FIGURES=ON to get it.
#   --check: writes nothing into docs/; fails when a picture made differs visibly from the
#   committed one, when one is missing or no longer made, or when the page does not show it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/usage.sh"
answer_help "$0" "$@"
source "$root/scripts/lib/pictures.sh"
check=no
if [[ ${1:-} == --check ]]; then
  check=yes
  shift
fi
build=$(realpath -m "${1:-$root/build/figures}")
docs=$root/docs

# A build made elsewhere gets the drawing tool where its manifest names none.
if [[ ! -f $build/manifest.env ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DKX_FIGURES=ON >/dev/null
elif [[ -z $(source "$build/manifest.env" && echo "$KX_FIGURES_TOOL") ]]; then
  cmake -S "$root" -B "$build" -DKX_FIGURES=ON >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target kullerix kx_figures >/dev/null

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
frames=$scratch/frames
made=$scratch/made
mkdir -p "$frames" "$made"

# screenshot <file>: the real program's start view, still, once it shows a measured frame rate.
# -geometry is GLUT's own option: without a window manager the window would lie a pixel beyond
# the screen's top-left corner, and that row and column would be missing.
screenshot() {
  (cd "$build/run" && exec "$build/kullerix" -geometry +0+0) &
  local pid=$! shot=0
  shoot_and_end "$pid" "$1" rated || shot=$?
  ((shot == 0)) || { echo "figures: no screenshot of the program's start view" >&2; return 1; }
}

# On a display of its own, which goes when the subshell ends.
(
  source "$root/scripts/lib/xvfb.sh"
  start_xvfb
  (cd "$build/run" && "$build/kx_figures" "$frames")
  screenshot "$made/screenshot.png"
)

# save <name> <convert arguments>: one picture, without the time stamps PNG files can carry.
save() {
  local name=$1
  shift
  convert "$@" -strip -define png:exclude-chunks=date,time -quality 95 "$made/$name.png"
}
# The ball of a view from the start camera (centre 400, 300; about 141 pixels in radius).
ball() { echo "$frames/$1.ppm[290x290+255+155]"; }
view() { echo "$frames/$1.ppm"; }
# Side by side, and one above the other, with a white gap.
across=(-background white -splice 8x0 +append -chop 8x0)
down=(-background white -splice 0x8 -append -chop 0x8)

rows=()
for map in 1 2 3 4 5; do
  rows+=('(' "$(view normalmap$map)" -resize 384x192 '(' "$(ball ball$map)" -resize 192x192 ')' \
    "${across[@]}" ')')
done
save normal-maps "${rows[@]}" "${down[@]}"
save dimple-texels "$(view normalmap1)[40x40+492+236]" -scale 600%
save per-pixel "$(ball per-vertex)" "$(ball flat-map)" "$(ball ball1)" "${across[@]}"
save highlight "$(view highlight-closeup)[400x260+140+110]"
save tangent-frame "$(ball frame-s)" "$(ball frame-around)" "$(ball frame-pole)" "${across[@]}"
save pole-bias "$(view pole-bias)[360x270+230+145]" "$(view pole-no-bias)[360x270+230+145]" \
  "${across[@]}"
save light-in-room '(' "$(ball light-0)" "$(ball light-1)" "$(ball light-2)" "$(ball light-3)" \
  -resize 200x200 ')' "${across[@]}"
save facing-fade "$(view facing-fade)[320x400+300+100]" "$(view no-facing-fade)[320x400+300+100]" \
  "${across[@]}"
save rolling '(' "$(ball roll-0)" "$(ball roll-1)" "$(ball roll-2)" "$(ball roll-3)" \
  "$(ball roll-4)" "$(ball roll-5)" -resize 160x160 ')' "${across[@]}"
save generators \
  '(' '(' "$(view lettering-heights)" "$(view normalmap5)" -resize 448x224 ')' "${across[@]}" ')' \
  '(' '(' "$(view floor)" "$(view bricks)" "$(view glyphs)" -resize 296x296 ')' "${across[@]}" ')' \
  "${down[@]}"


if [[ $check == no ]]; then
  rm -f "$docs"/pictures/*.png
  mkdir -p "$docs/pictures"
  mv "$made/screenshot.png" "$scratch/screenshot.png"
  cp "$made"/*.png "$docs/pictures/"
  # The committed screenshot stays when only its frame-rate figure differs.
  if [[ -f $docs/screenshot.png ]]; then
    masked "$scratch/screenshot.png" "$scratch/made-masked.png"
    masked "$docs/screenshot.png" "$scratch/committed-masked.png"
    if within_tolerance "$scratch/made-masked.png" "$scratch/committed-masked.png"; then
      echo "figures: remade docs/pictures/; kept docs/screenshot.png (only its frame rate differs)"
      exit 0
    fi
  fi
  cp "$scratch/screenshot.png" "$docs/screenshot.png"
  echo "figures: remade docs/pictures/ and docs/screenshot.png"
  exit 0
fi

failures=0
fail() {
  echo "figures: $*" >&2
  failures=$((failures + 1))
}
masked "$made/screenshot.png" "$scratch/made-masked.png"
if [[ ! -f $docs/screenshot.png ]]; then
  fail "docs/screenshot.png is missing"
else
  masked "$docs/screenshot.png" "$scratch/committed-masked.png"
  within_tolerance "$scratch/made-masked.png" "$scratch/committed-masked.png" ||
    fail "docs/screenshot.png no longer shows the program (frame-rate figure aside)"
fi
for picture in "$made"/*.png; do
  name=$(basename "$picture")
  [[ $name == screenshot.png ]] && continue
  if [[ ! -f $docs/pictures/$name ]]; then
    fail "docs/pictures/$name is missing"
  elif ! within_tolerance "$picture" "$docs/pictures/$name"; then
    fail "docs/pictures/$name no longer shows what the program draws"
  fi
  grep -q "(pictures/$name)" "$docs/how-it-works.md" || fail "how-it-works.md does not show $name"
done
for picture in "$docs"/pictures/*.png; do
  name=$(basename "$picture")
  if [[ -f $picture && ! -f $made/$name ]]; then
    fail "docs/pictures/$name is no longer made"
  fi
done
if ((failures > 0)); then
  echo "figures: $failures difference(s); scripts/figures.sh remakes the pictures" >&2
  exit 1
fi
echo "figures: every picture in docs/ matches what the program draws"
