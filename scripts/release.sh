#!/usr/bin/env bash
# Makes a release of the checked-out commit in build/dist: the source (kullerix-VERSION.tar.gz,
# every tracked file under one folder), the Debian packages for amd64, arm64 and armhf and the
# one of their data (Architecture: all), the Windows zip and installer, the release's notes
# (kullerix-VERSION-notes.md), the record of the build (kullerix-VERSION.buildinfo: the Debian
# release, every installed package's version, the build's settings and the checksums of the
# files it made) and SHA256SUMS, signed where asked. The version, its date and its notes come
# from NEWS.md. Built again from the same source with the same packages, anywhere, it gives the
# same files byte for byte: every time they carry is the start (00:00 UTC) of the release's
# date. Releases are built on Debian 12, the older tested release, so that the amd64 package
# installs on Debian 12 and 13 alike. It refuses a tree with uncommitted changes. About 2
# minutes on 2 cores (4 with --check), the installs aside.
# Usage: scripts/release.sh [--sign KEY [--sign-windows CERT CERTKEY]] [--check] [--dirty]
#                           [--any-release]
#   --sign KEY     signs SHA256SUMS with the OpenPGP key KEY (a key id or fingerprint of a secret
#                  key in gpg's keyring, GNUPGHOME's where it is set): SHA256SUMS.asc
#   --sign-windows CERT CERTKEY  with --sign, also signs (Authenticode, osslsigncode) the Windows
#                  program, in the zip and the installer, and the installer, with the
#                  certificate CERT and its private key CERTKEY (PEM files), with no time stamp
#   --check        then builds the release again from its own source tarball, unpacked in another
#                  folder, later, with another umask, time zone and locale, and compares the
#                  two, file by file; diffoscope shows what differs. The second build signs
#                  nothing: a signed first is compared without its signatures
#   --dirty        builds a tree with uncommitted changes as it is (what it makes is no commit's)
#   --any-release  builds on another Debian release than 12 too
#   --as-signed SIGNED  signs nothing, but writes the notes of a release signed with SIGNED
#                  (openpgp, or openpgp+authenticode): the check's second build of a signed one
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/usage.sh"
answer_help "$0" "$@"
source "$root/scripts/lib/manifest.sh"
source "$root/scripts/lib/cross-build.sh"
source "$root/scripts/lib/buildinfo.sh"
source "$root/scripts/lib/signing.sh"
source "$root/scripts/lib/release.sh"
usage() {
  echo "usage: $0 [--sign KEY [--sign-windows CERT CERTKEY]] [--check] [--dirty]" \
    "[--any-release]" >&2
  exit 2
}
check=no dirty=no any_release=no openpgp_key="" cert="" cert_key="" as_signed=""
while (($# > 0)); do
  case $1 in
    --check) check=yes ;;
    --dirty) dirty=yes ;;
    --any-release) any_release=yes ;;
    --sign) (($# >= 2)) || usage; openpgp_key=$2; shift ;;
    --sign-windows) (($# >= 3)) || usage; cert=$2 cert_key=$3; shift 2 ;;
    --as-signed)
      (($# >= 2)) || usage
      case $2 in openpgp|openpgp+authenticode) as_signed=$2 ;; *) usage ;; esac
      shift ;;
    *) usage ;;
  esac
  shift
done
if [[ -n $cert && -z $openpgp_key ]]; then
  echo "release: --sign-windows signs along with --sign, which signs the checksums of all" >&2
  exit 2
fi
if [[ -n $as_signed && -n $openpgp_key ]]; then
  echo "release: --as-signed is for a build that signs nothing" >&2
  exit 2
fi
# What the release is signed with, as its notes say.
signed=$as_signed
[[ -z $openpgp_key ]] || signed=openpgp
[[ -z $cert ]] || signed=openpgp+authenticode

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
check_signing_keys "$openpgp_key" "$cert" "$cert_key"
start=$SECONDS
work=$root/build/dist-work dist=$root/build/dist
make_release "$root" "$signed"
if [[ -n $cert ]]; then
  echo "== The Windows packages again, with the program and the installer signed"
  sign_windows_packages "$work/windows" "$work/windows-signed" "$cert" "$cert_key"
  read_manifest "$work/windows"
  cp "$work/windows-signed/${KX_ZIP##*/}" "$work/windows-signed/${KX_INSTALLER##*/}" "$dist/"
fi
write_checksums "$dist"
if [[ -n $openpgp_key ]]; then
  echo "== SHA256SUMS signed with $openpgp_key"
  sign_checksums "$dist" "$openpgp_key"
fi
read_manifest "$work/host"
echo "Release $KX_VERSION in $dist, made in $((SECONDS - start)) s:"
(cd "$dist" && LC_ALL=C ls -l --time-style=+ -- * | awk '{ printf "  %10s  %s\n", $5, $NF }')
[[ $check == yes ]] || exit 0

start=$SECONDS
# The second build is made where the first was, so it takes the first's leave to be made there;
# it needs no keys, and writes the notes that the first wrote.
again=()
[[ $any_release == no ]] || again+=(--any-release)
[[ -z $signed ]] || again+=(--as-signed "$signed")
check_release "$root" "${again[@]}"
echo "Checked in $((SECONDS - start)) s."
