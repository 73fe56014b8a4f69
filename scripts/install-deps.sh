#!/usr/bin/env bash
# Installs the Debian packages that Kullerix needs and that are missing.
# Usage: scripts/install-deps.sh demo|quick|test|windows   (as root, or through sudo)
#   demo     what builds and runs the demo, and shows it on a private Xvfb
#   quick    that and what builds and runs the unit and GL tests (scripts/quick-test.sh)
#   test     everything the full test command needs, the Windows build and Wine included
#   windows  what cross-builds for Windows and runs the result under Wine (scripts/windows.sh)
set -euo pipefail
source "$(dirname "$0")/lib/usage.sh"
answer_help "$0" "$@"

build=(cmake g++ make pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri libsdl2-dev
       libx11-dev libfreetype-dev fonts-dejavu-core libpng-dev dpkg-dev file)
# xfonts-base: SDL's X11 message box draws with the server's core fonts, and Xvfb has none
# without it. x11-utils: xdpyinfo, xwininfo, xprop. imagemagick: import, convert, identify.
demo=(xvfb xauth x11-utils xfonts-base imagemagick)
# openbox, weston, xwayland: the real desktops that the end-to-end tests run the program under.
# The unit and GL tests: GoogleTest, stb_image as the reference decoder, Python for CTest's list.
quick=(libgtest-dev libstb-dev python3)
test=("${quick[@]}" libbenchmark-dev xdotool tesseract-ocr tesseract-ocr-eng
      apitrace clang libclang-rt-dev valgrind
      lintian desktop-file-utils appstream openbox weston xwayland xclip)
# The Windows build: the mingw-w64 cross compiler (its posix threads model has std::thread and
# std::mutex), Wine to run what it builds, NSIS for the installer; openbox keeps Wine from
# waiting on a window manager whenever a window hides.
windows=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64 nsis openbox icoutils)

set -- "${1:-demo}"
case "$1" in
  demo) wanted=("${build[@]}" "${demo[@]}") ;;
  quick) wanted=("${build[@]}" "${demo[@]}" "${quick[@]}") ;;
  test) wanted=("${build[@]}" "${demo[@]}" "${test[@]}" "${windows[@]}") ;;
  windows) wanted=("${build[@]}" "${demo[@]}" "${windows[@]}") ;;
  *) echo "usage: $0 demo|quick|test|windows" >&2; exit 2 ;;
esac

# The Windows build compiles freeglut from Debian's own source package, which apt finds only
# with a deb-src entry: added for the running release where there is none.
add_source_index() {
  local codename list=/etc/apt/sources.list.d/kullerix-deb-src
  [[ -n $(apt-get indextargets --no-release-info 'Created-By: Sources' 2>/dev/null) ]] && return 1
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  # One-line entries (Debian 12's sources.list) and deb822 stanzas (Debian 13's .sources).
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    sed -n "s/^deb \(\[[^]]*\] \)\?\([^ ]* $codename .*\)/deb-src \1\2/p" | "${sudo[@]}" tee "$list.list" >/dev/null
  cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk -v c="$codename" '
    BEGIN { RS = ""; ORS = "\n\n" }
    $0 ~ /Types:[ \t]*deb([ \t\n]|$)/ && $0 ~ ("Suites:[^\n]*[ \t]" c "([ \t\n]|$)") {
      sub(/Types:[^\n]*/, "Types: deb-src"); print }' | "${sudo[@]}" tee "$list.sources" >/dev/null
  [[ -s $list.list ]] || "${sudo[@]}" rm -f "$list.list"
  [[ -s $list.sources ]] || "${sudo[@]}" rm -f "$list.sources"
  return 0
}

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
updated=no
if [[ $1 == test || $1 == windows ]] && add_source_index; then
  "${sudo[@]}" apt-get update -qq
  updated=yes
fi

missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
[[ $updated == yes ]] || "${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
