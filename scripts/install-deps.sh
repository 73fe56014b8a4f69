#!/usr/bin/env bash
# Installs the Debian packages that Kullerix needs and that are missing.
# Usage: scripts/install-deps.sh demo|test   (as root, or through sudo)
set -euo pipefail

build=(cmake g++ make pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri libsdl2-dev
       libx11-dev libfreetype-dev fonts-dejavu-core libpng-dev dpkg-dev file)
# xfonts-base: SDL's X11 message box draws with the server's core fonts, and Xvfb has none
# without it. x11-utils: xdpyinfo, xwininfo, xprop. imagemagick: import, convert, identify.
demo=(xvfb xauth x11-utils xfonts-base imagemagick)
# openbox, weston, xwayland: the real desktops that the end-to-end tests run the program under.
test=(libgtest-dev libbenchmark-dev libstb-dev python3 xdotool tesseract-ocr tesseract-ocr-eng
      apitrace clang libclang-rt-dev valgrind
      lintian desktop-file-utils appstream openbox weston xwayland)

case "${1:-demo}" in
  demo) wanted=("${build[@]}" "${demo[@]}") ;;
  test) wanted=("${build[@]}" "${demo[@]}" "${test[@]}") ;;
  *) echo "usage: $0 demo|test" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
