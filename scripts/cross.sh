#!/usr/bin/env bash
# Kullerix for another system, cross-built on this Debian: installs what is missing, builds it
# into build/TARGET with the pictures from a build for this machine (build/release) and makes
# its packages there, printing their paths:
#   windows  64-bit Windows, with mingw-w64 and freeglut built from Debian's source package:
#            Kullerix-VERSION-win64.zip and the installer Kullerix-VERSION-win64.exe
#   arm64    64-bit ARM Debian (Raspberry Pi 3 and later, ARM laptops and boards), with
#            Debian's cross compiler and arm64 libraries: kullerix_VERSION_arm64.deb
#   armhf    32-bit ARM Debian (Raspberry Pi OS 32-bit, older boards): kullerix_VERSION_armhf.deb
#            (both with kullerix-data_VERSION_all.deb, the data package of every architecture)
# About 5 minutes the first time on 2 cores, one after.
# Usage: scripts/cross.sh windows|arm64|armhf [--run]
#   --run  then starts the built program: for Windows the zip's kullerix.exe, unpacked into
#          build/windows/unpacked, under Wine in a prefix of its own (build/windows/wine); for
#          ARM the build's own under qemu-user in build/TARGET/run. With no display it runs it
#          on a private Xvfb (with openbox for Wine) until it shows a still start view (the
#          Windows program with a measured frame rate), saves a screenshot to
#          build/TARGET/kullerix-TARGET-screenshot.png and says where; it fails if none comes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/usage.sh"
answer_help "$0" "$@"
source "$root/scripts/lib/pictures.sh"
source "$root/scripts/lib/wine.sh"
source "$root/scripts/lib/xvfb.sh"
source "$root/scripts/lib/manifest.sh"
source "$root/scripts/lib/cross-build.sh"
usage() { echo "usage: $0 windows|arm64|armhf [--run]" >&2; exit 2; }
target=${1:-}
cross_toolchain "$target" >/dev/null 2>&1 || usage
run=no
case "${2:-}" in
  --run) run=yes ;;
  "") ;;
  *) usage ;;
esac
host=$root/build/release
folder=$root/build/$target

"$root/scripts/install-deps.sh" "$target"
cmake -S "$root" -B "$host" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
build_cross "$target" "$host" "$folder" -DBUILD_TESTING=OFF >/dev/null
read_manifest "$folder"
for package in $KX_PACKAGES; do
  echo "Package: $package"
done
[[ $run == yes ]] || exit 0

if [[ $target == windows ]]; then
  unpacked=$folder/unpacked
  rm -rf "$unpacked"
  mkdir -p "$unpacked"
  (cd "$unpacked" && cmake -E tar xf "$KX_ZIP")
  cd "$unpacked/$(basename "$KX_ZIP" .zip)"
  use_wine_prefix "$folder/wine"
  # Wine hands DISPLAY on to the program, as a Windows user's X server for WSL does, and the
  # program pays it no heed.
  read -ra program <<<"$KX_RUN_COMMAND"
  program+=(kullerix.exe)
  # Wine waits on a window manager whenever a window hides, so openbox runs with it.
  desktop=openbox
else
  cd "$KX_RUN_DIR"
  # Without a window manager, -geometry +0+0 puts the window wholly on the screen.
  read -ra program <<<"$KX_RUN_COMMAND"
  program+=("$KX_PROGRAM" -geometry +0+0)
  desktop=xvfb
fi
if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
  exec "${program[@]}"
fi

start_display "$desktop" || { echo "cross: no display started" >&2; exit 1; }
trap 'wineserver -k 2>/dev/null || true; kill $KX_XVFB_PID 2>/dev/null || true' EXIT
"${program[@]}" &
pid=$!
shot=$folder/kullerix-$target-screenshot.png
# An emulated program draws a frame or a few a second and may show one count for good, so only
# the Windows program, under Wine at full speed, is awaited until it shows a measured rate.
if [[ $target == windows ]]; then
  rated=(rated) view="a still start view with a measured frame rate"
else
  rated=() view="a still start view"
fi
if ! shoot_and_end "$pid" "$shot" "${rated[@]}"; then
  echo "cross: no screenshot: the $target program did not show $view" >&2
  exit 1
fi
echo "No display: ran the $target program under $KX_RUN_COMMAND on Xvfb until it" \
  "showed $view; screenshot saved to $shot"
