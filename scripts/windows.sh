#!/usr/bin/env bash
# Kullerix for 64-bit Windows: installs what is missing, cross-builds it with mingw-w64 into
# build/windows (freeglut from Debian's source package, the pictures from a build for this
# machine in build/release) and makes there the zip Kullerix-VERSION-win64.zip and the
# installer Kullerix-VERSION-win64.exe, printing their paths. Takes about 5 minutes the first
# time on 2 cores.
# Usage: scripts/windows.sh [--run]
#   --run  then unpacks the zip into build/windows/unpacked and starts its kullerix.exe there
#          under Wine, in a Wine prefix of its own (build/windows/wine). With no display it runs
#          it on a private Xvfb with openbox until it shows its frame rate, saves a screenshot
#          to build/windows/kullerix-wine-screenshot.png and says where.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/usage.sh"
answer_help "$0" "$@"
source "$root/scripts/lib/pictures.sh"
source "$root/scripts/lib/wine.sh"
source "$root/scripts/lib/xvfb.sh"
source "$root/scripts/lib/windows-build.sh"
run=no
case "${1:-}" in
  --run) run=yes ;;
  "") ;;
  *) echo "usage: $0 [--run]" >&2; exit 2 ;;
esac
host=$root/build/release
target=$root/build/windows

"$root/scripts/install-deps.sh" windows
cmake -S "$root" -B "$host" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
build_windows "$host" "$target" -DBUILD_TESTING=OFF >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$target/CMakeCache.txt")
zip=$target/Kullerix-$version-win64.zip
installer=$target/Kullerix-$version-win64.exe
echo "Windows zip:       $zip"
echo "Windows installer: $installer"
[[ $run == yes ]] || exit 0

unpacked=$target/unpacked
rm -rf "$unpacked"
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$zip")
cd "$unpacked/Kullerix-$version-win64"
use_wine_prefix "$target/wine"
if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
  exec "${wine_program[@]}"
fi

# No display: Wine waits on a window manager whenever a window hides, so openbox runs too.
start_display openbox || { echo "windows: no display started" >&2; exit 1; }
trap 'wineserver -k 2>/dev/null || true; kill $KX_XVFB_PID 2>/dev/null || true' EXIT
"${wine_program[@]}" &
pid=$!
shot=$target/kullerix-wine-screenshot.png
shoot_running_program "$pid" "$shot" ||
  echo "kullerix.exe showed no frame rate in time; the screenshot is of its last picture" >&2
echo "No display: ran kullerix.exe under Wine on Xvfb with openbox until it showed its frame rate;" \
  "screenshot saved to $shot"
