# Sourced by scripts/release.sh: signs a release, and takes the signatures off its Windows files
# again for the check, which compares a signed release with a rebuild that has no keys.
# sign_checksums FOLDER KEY signs FOLDER/SHA256SUMS (OpenPGP), sign_windows_packages BUILD
# FOLDER CERT KEY makes a Windows build's zip and installer again, signed (Authenticode), and
# unsigned_view PACKAGE FOLDER unpacks a Windows package without its signatures.

# sign_checksums FOLDER KEY: FOLDER/SHA256SUMS.asc, the detached ASCII-armoured OpenPGP
# signature of FOLDER/SHA256SUMS with KEY (a key id or fingerprint of a secret key in gpg's
# keyring, GNUPGHOME's where it is set).
sign_checksums() {
  gpg --armor --detach-sign --local-user "$2" --output "$1/SHA256SUMS.asc" "$1/SHA256SUMS"
}

# check_signing_keys [OPENPGP-KEY [CERT KEY]]: whether the keys can sign, before anything is
# built: the OpenPGP key has its secret part in the keyring, and CERT and KEY are a certificate
# (PEM, the signer's first where it holds its chain) and its private key (PEM).
check_signing_keys() {
  if [[ -n ${1:-} ]] && ! gpg --list-secret-keys -- "$1" >/dev/null 2>&1; then
    echo "release: gpg has no secret key $1 (gpg --list-secret-keys lists those it has)" >&2
    return 1
  fi
  [[ -n ${2:-} ]] || return 0
  local certified offered
  certified=$(openssl x509 -noout -pubkey -in "$2" 2>/dev/null) ||
    { echo "release: $2 is no PEM certificate" >&2; return 1; }
  offered=$(openssl pkey -pubout -in "$3" 2>/dev/null) ||
    { echo "release: $3 is no PEM private key" >&2; return 1; }
  if [[ $certified != "$offered" ]]; then
    echo "release: $3 is not the private key of the certificate $2" >&2
    return 1
  fi
}

# sign_windows_packages BUILD FOLDER CERT KEY: CPack makes the Windows build BUILD's zip and
# installer again into FOLDER (the build's own stay as they are), with the program signed
# before it is packed and the installer after (packaging/windows/authenticode.cmake), by the
# certificate CERT and its private key KEY (PEM files). CPack's output goes to FOLDER.log.
sign_windows_packages() {
  local build=$1 folder=$2 cert key
  cert=$(realpath -- "$3") && key=$(realpath -- "$4") || return 1
  rm -rf "$folder"
  mkdir -p "$folder"
  if ! (cd "$build" && cpack -B "$folder" -D CPACK_KX_AUTHENTICODE_CERT="$cert" \
      -D CPACK_KX_AUTHENTICODE_KEY="$key") >"$folder.log" 2>&1; then
    tail -n 20 "$folder.log" >&2
    echo "release: the signed Windows packages were not made; CPack's log is $folder.log" >&2
    return 1
  fi
}

# unsigned_view PACKAGE FOLDER: what the Windows zip or installer PACKAGE holds, without its
# signatures, unpacked into FOLDER: FOLDER/files, the packed files, each program (.exe, .dll)
# with its Authenticode signature removed, and FOLDER/entries, what the package says of each
# file (name, time, mode, method) but its size, checksum and place, which a signature changes.
# It prints what it removed a signature from: the package, then the files. NOTE: an installer
# packs its program compressed, so removing the installer's own signature leaves the program's:
# both are compared by what they unpack to. The uninstaller that 7-Zip unpacks is made from the
# installer's own header, whose checksum signing sets (and removing the signature leaves set),
# so every program's checksum is left out: Windows checks it for drivers alone.
unsigned_view() {
  local package=$1 view=$2 program
  rm -rf "$view"
  mkdir -p "$view/files"
  if remove_signature "$package" "$view/package"; then
    echo "${package##*/}"
    package=$view/package
  fi
  7zz x -y -bso0 -bsp0 -o"$view/files" -- "$package" || return 1
  7zz l -slt -- "$package" | sed -n '/^----------$/,$p' | grep -E '^(Path|[A-Z][a-z ]+) = ' |
    grep -Ev '^(Size|Packed Size|CRC|Offset) = ' >"$view/entries" || return 1
  rm -f "$view/package"
  find "$view/files" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0 | LC_ALL=C sort -z |
    while IFS= read -r -d '' program; do
      if remove_signature "$program" "$program.unsigned"; then
        mv -- "$program.unsigned" "$program"
        echo "${program#"$view/files/"}"
      fi
      clear_pe_checksum "$program" || return 1
    done
}

# remove_signature FILE UNSIGNED: where FILE carries an Authenticode signature, writes it
# without it to UNSIGNED; fails where it carries none.
remove_signature() {
  local found=no
  osslsigncode extract-signature -in "$1" -out "$2" >/dev/null 2>&1 && found=yes
  rm -f "$2"
  [[ $found == yes ]] || return 1
  osslsigncode remove-signature -in "$1" -out "$2" >/dev/null
}

# clear_pe_checksum FILE: sets a Windows program's header checksum to 0 (where FILE is one).
clear_pe_checksum() {
  local header
  header=$(od -An -tu4 -j 60 -N 4 -- "$1" | tr -d ' ')
  [[ -n $header && $(od -An -tx1 -j "$header" -N 4 -- "$1" | tr -d ' ') == 50450000 ]] || return 0
  printf '\0\0\0\0' | dd of="$1" bs=1 seek=$((header + 88)) conv=notrunc status=none
}
