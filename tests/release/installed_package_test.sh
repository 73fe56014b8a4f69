#!/usr/bin/env bash
# Installs Kullerix's Debian packages with apt on this machine, with a private X server, and
# starts the installed command: its window shows, and Esc ends it with status 0; then removes
# them, and no file they installed is left. CI runs it on a fresh Debian 13 with the amd64 and
# data packages of a release, which is built on Debian 12.
# Usage: tests/release/installed_package_test.sh PACKAGE.deb...   (as root, or through sudo)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[[ $# -ge 1 ]] || { echo "usage: $0 PACKAGE.deb..." >&2; exit 2; }
packages=() names=()
for package in "$@"; do
  [[ -f $package ]] || { echo "usage: $0 PACKAGE.deb... ($package is no file)" >&2; exit 2; }
  packages+=("$(readlink -f "$package")")
  # The package's name for apt and dpkg, with its architecture unless it is for all.
  name=$(dpkg-deb -f "$package" Package) architecture=$(dpkg-deb -f "$package" Architecture)
  [[ $architecture == all ]] || name+=:$architecture
  names+=("$name")
done
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq "${packages[@]}" xvfb xauth x11-utils xdotool >/dev/null
source "$root/scripts/lib/xvfb.sh"
start_xvfb

kullerix -geometry +0+0 &
pid=$!
window=
for _ in $(seq 600); do
  kill -0 "$pid" 2>/dev/null || { echo "kullerix ended before its window showed" >&2; exit 1; }
  window=$(xdotool search --onlyvisible --name '^Kullerix$' 2>/dev/null | head -n 1) || true
  [[ -z $window ]] || break
  sleep 0.1
done
[[ -n $window ]] || { echo "no Kullerix window within 60 s" >&2; exit 1; }
xdotool windowfocus --sync "$window" key Escape
status=0
wait "$pid" || status=$?
[[ $status -eq 0 ]] || { echo "kullerix ended with status $status on Esc" >&2; exit 1; }

# What dpkg installed for them, files and links (the folders may be shared with others). A
# here-string, not a process substitution: a bare system may have no /dev/fd.
files=()
while IFS= read -r path; do
  [[ ! -f $path && ! -L $path ]] || files+=("$path")
done <<<"$(dpkg-query -L "${names[@]}")"
"${sudo[@]}" apt-get remove -y -qq "${names[@]}" >/dev/null
left=()
for path in "${files[@]}"; do
  [[ ! -e $path && ! -L $path ]] || left+=("$path")
done
((${#left[@]} == 0)) || { printf 'left after apt-get remove: %s\n' "${left[@]}" >&2; exit 1; }

what=
for package in "${packages[@]}"; do
  what+=${what:+, }$(dpkg-deb --show --showformat='${Package} ${Version} ${Architecture}' "$package")
done
echo "$what installed on $(. /etc/os-release && echo "$PRETTY_NAME"): its window showed, Esc" \
  "ended it with 0, and apt-get remove left none of their ${#files[@]} files."
