#!/usr/bin/env bash
# Installs a Kullerix Debian package with apt on this machine, with a private X server, and
# starts the installed command: its window shows, and Esc ends it with status 0. CI runs it on a
# fresh Debian 13 with the amd64 package of a release, which is built on Debian 12.
# Usage: tests/release/installed_package_test.sh PACKAGE.deb   (as root, or through sudo)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[[ $# -eq 1 && -f $1 ]] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
package=$(readlink -f "$1")
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq "$package" xvfb xauth x11-utils xdotool >/dev/null
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
echo "$(dpkg-deb -f "$package" Package Version Architecture | paste -sd ' ') installed on" \
  "$(. /etc/os-release && echo "$PRETTY_NAME"): its window showed, and Esc ended it with 0."
