#!/usr/bin/env bash
# Installs the Debian packages that Kullerix needs and that are missing.
# Usage: scripts/install-deps.sh LIST...   (as root, or sudo; each LIST one of these)
#   demo        what builds and runs the demo, and shows it on a private Xvfb
#   quick       that and what builds and runs the unit and GL tests (scripts/quick-test.sh)
#   native, sanitizers, fuzz, cross   what that part of scripts/test.sh needs (its -h says)
#   test        every part of scripts/test.sh, and what scripts/valgrind.sh and
#               scripts/frame-rates.sh use
#   windows     what cross-builds for Windows and runs the result under Wine (scripts/cross.sh)
#   arm64, armhf  what cross-builds for that ARM architecture and runs the result under
#               qemu-user (scripts/cross.sh); it adds the architecture to dpkg's foreign ones
#   release     what builds every package of a release and compares two builds of it
#               (scripts/release.sh)
set -euo pipefail
source "$(dirname "$0")/lib/usage.sh"
answer_help "$0" "$@"

build=(cmake g++ make pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri libsdl2-dev
       libx11-dev libfreetype-dev fonts-dejavu-core libpng-dev dpkg-dev file)
# xfonts-base: SDL's X11 message box draws with the server's core fonts, and Xvfb has none
# without it. x11-utils: xdpyinfo, xwininfo, xprop. imagemagick: import, convert, identify.
demo=(xvfb xauth x11-utils xfonts-base imagemagick)
# The unit and GL tests: GoogleTest, stb_image as the reference decoder, Python for CTest's list.
quick=(libgtest-dev libstb-dev python3)
# The end-to-end tests: xdotool and OCR drive and read the program, apitrace traces its GL calls,
# lintian and the desktop and AppStream checkers judge its package; openbox, weston and xwayland
# are the real desktops it runs under; hardening-check (devscripts) tells whether the
# packaged programs are hardened; git lists the source for the test of the release's
# tarball, and the locale sources give the release check its German locale; GnuPG makes and
# checks the test's OpenPGP signature of a release's checksums.
native=("${quick[@]}" xdotool tesseract-ocr tesseract-ocr-eng apitrace lintian devscripts
        desktop-file-utils appstream openbox weston xwayland xclip git locales gnupg gpgv)
# The fuzz targets are built with clang's libFuzzer.
fuzz=(clang libclang-rt-dev)
# The benchmarks (scripts/frame-rates.sh) and the memory check (scripts/valgrind.sh).
tools=(libbenchmark-dev valgrind)
# The Windows build: the mingw-w64 cross compiler (its posix threads model has std::thread and
# std::mutex), NSIS for the installer and strip-nondeterminism for the zip's times; to run
# what it builds, Wine, and openbox, which keeps Wine from waiting on a window manager whenever
# a window hides, and icoutils to read the program's resources. osslsigncode signs the program
# and the installer (Authenticode) when given a certificate, which the tests make with openssl,
# and 7-Zip unpacks the installer to compare a signed one with an unsigned one.
windows_build=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev nsis strip-nondeterminism
               osslsigncode)
windows=("${windows_build[@]}" wine wine64 openbox icoutils openssl 7zip)
# An ARM build: Debian's cross compiler, the libraries the program links for that architecture
# (and the reference decoder and GoogleTest's source for its unit tests), Mesa's drivers for it,
# and qemu-user to run what it builds. arm_packages ARCH prints them.
arm_packages() {
  echo crossbuild-essential-"$1" qemu-user googletest
  printf '%s:'"$1"'\n' freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri libsdl2-dev libx11-dev libstb-dev
}
# A release: diffoscope, which shows what differs between two builds (with what it reads .deb
# files and binaries with), and the locale sources for the check's second build.
# git lists the files of the source tarball. GnuPG signs the checksums (--sign), openssl sees
# that the Windows signing key is the certificate's (--sign-windows), and the check compares
# signed Windows packages by what they unpack to, with 7-Zip.
release=(git diffoscope-minimal python3-debian xxd locales gnupg openssl 7zip)

# The foreign builds are made and run on a PC (amd64), where Wine runs 64-bit Windows programs
# and qemu-user ARM ones; on an ARM machine the test command tests its own build alone.
native_architecture=$(dpkg --print-architecture)
cross=()
[[ $native_architecture != amd64 ]] ||
  cross=("${windows[@]}" $(arm_packages arm64) $(arm_packages armhf))

usage() {
  echo "usage: $0 demo|quick|native|sanitizers|fuzz|cross|test|windows|arm64|armhf|release..." >&2
  exit 2
}
[[ $# -gt 0 ]] || set -- demo
wanted=("${build[@]}")
sources=no
architectures=()
for list in "$@"; do
  case $list in
    demo) wanted+=("${demo[@]}") ;;
    quick) wanted+=("${demo[@]}" "${quick[@]}") ;;
    native|sanitizers) wanted+=("${demo[@]}" "${native[@]}") ;;
    fuzz) wanted+=("${fuzz[@]}") ;;
    cross) wanted+=("${demo[@]}" "${native[@]}" "${cross[@]}") ;;
    test) wanted+=("${demo[@]}" "${native[@]}" "${fuzz[@]}" "${tools[@]}" "${cross[@]}") ;;
    windows) wanted+=("${demo[@]}" "${windows[@]}") ;;
    arm64|armhf) wanted+=("${demo[@]}" $(arm_packages "$list")) ;;
    release) wanted+=("${windows_build[@]}" $(arm_packages arm64) $(arm_packages armhf)
                      "${release[@]}") ;;
    *) usage ;;
  esac
  case $list in
    test|cross) [[ $native_architecture != amd64 ]] || { sources=yes; architectures+=(arm64 armhf); } ;;
    windows|release) sources=yes ;;
  esac
  case $list in
    arm64|armhf) architectures+=("$list") ;;
    release) architectures+=(arm64 armhf) ;;
  esac
done

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
if [[ $sources == yes ]] && add_source_index; then
  updated=stale
fi
# The packages of another architecture come from apt's index of it, which it keeps once the
# architecture is added.
for architecture in "${architectures[@]}"; do
  dpkg --print-foreign-architectures | grep -qx "$architecture" && continue
  "${sudo[@]}" dpkg --add-architecture "$architecture"
  updated=stale
done
if [[ $updated == stale ]]; then
  "${sudo[@]}" apt-get update -qq
  updated=yes
fi

# installed NAME[:ARCH]: whether the package is installed for ARCH, by default for this machine
# (or for all machines). dpkg lists a name once for every architecture it is installed for.
installed() {
  local name=${1%%:*} architecture=$native_architecture listed
  [[ $1 != *:* ]] || architecture=${1#*:}
  listed=$(dpkg-query -W -f='${Architecture} ${db:Status-Status}\n' "$name" 2>/dev/null) || true
  grep -qE "^($architecture|all) installed\$" <<<"$listed"
}
missing=()
for package in "${wanted[@]}"; do
  installed "$package" || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
[[ $updated == yes ]] || "${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
