#!/usr/bin/env bash
# Makes a release of the checked-out commit in build/dist: the source (kullerix-VERSION.tar.gz,
# every tracked file under one folder), the Debian packages for amd64, arm64 and armhf, the
# Windows zip and installer, the release's notes (kullerix-VERSION-notes.md) and SHA256SUMS.
# The version, its date and its notes come from NEWS.md. Built again from the same source,
# anywhere, it gives the same files byte for byte: every time they carry is the start (00:00 UTC)
# of the release's date. Releases are built on Debian 12, the older tested release, so that the amd64
# package installs on Debian 12 and 13 alike. It refuses a tree with uncommitted changes. About
# a minute on 2 cores (2 with --check), the installs aside.
# Usage: scripts/release.sh [--check] [--dirty] [--any-release]
#   --check        then builds the release again from its own source tarball, unpacked in another
#                  folder, later, with another umask, time zone and locale, and compares the
#                  two, file by file; diffoscope shows what differs
#   --dirty        builds a tree with uncommitted changes as it is (what it makes is no commit's)
#   --any-release  builds on another Debian release than 12 too
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/usage.sh"
answer_help "$0" "$@"
source "$root/scripts/lib/manifest.sh"
source "$root/scripts/lib/cross-build.sh"
source "$root/scripts/lib/release.sh"
check=no dirty=no any_release=no
for argument in "$@"; do
  case $argument in
    --check) check=yes ;;
    --dirty) dirty=yes ;;
    --any-release) any_release=yes ;;
    *) echo "usage: $0 [--check] [--dirty] [--any-release]" >&2; exit 2 ;;
  esac
done

if [[ $(dpkg --print-architecture) != amd64 ]]; then
  echo "release: a release is built on a PC (amd64), which cross-builds the other packages" >&2
  exit 1
fi
if [[ $any_release == no && $(. /etc/os-release && echo "$ID $VERSION_ID") != "debian 12" ]]; then
  echo "release: releases are built on Debian 12, whose packages install on 12 and 13;" \
    "this is $(. /etc/os-release && echo "$PRETTY_NAME") (--any-release builds here all the same)" >&2
  exit 1
fi
if [[ $dirty == no ]] && git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1 &&
    [[ -n $(git -C "$root" status --porcelain) ]]; then
  echo "release: the tree has uncommitted changes (git status shows them); commit them first," \
    "or build it as it is with --dirty" >&2
  exit 1
fi

"$root/scripts/install-deps.sh" release
start=$SECONDS
make_release "$root"
read_manifest "$root/build/dist-work/host"
echo "Release $KX_VERSION in $root/build/dist, made in $((SECONDS - start)) s:"
(cd "$root/build/dist" && LC_ALL=C ls -l --time-style=+ -- * | awk '{ printf "  %10s  %s\n", $5, $NF }')
[[ $check == yes ]] || exit 0

start=$SECONDS
# The second build is made where the first was, so it takes the first's leave to be made there.
again=()
[[ $any_release == no ]] || again=(--any-release)
check_release "$root" "${again[@]}"
echo "Checked in $((SECONDS - start)) s."
