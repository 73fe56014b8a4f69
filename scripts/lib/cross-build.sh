# Sourced by the scripts that cross-build (with manifest.sh): build_cross TARGET HOST_BUILD
# TARGET_BUILD cross-builds Kullerix for TARGET (windows, arm64 or armhf) into TARGET_BUILD with
# that target's toolchain file in cmake/, running the asset generators of HOST_BUILD (a build for
# this machine, which it builds first), and makes the target's packages there: the Windows zip
# and installer, or the Debian package. TARGET_BUILD's manifest.env then names them, and the
# command that runs the target's programs here. freeglut for Windows is built once from Debian's
# source package into TARGET_BUILD/freeglut; the ARM builds take Debian's own libraries of their
# architecture.

cross_targets=(windows arm64 armhf)

# cross_toolchain TARGET: the toolchain file's name in cmake/.
cross_toolchain() {
  case $1 in
    windows) echo mingw-w64-x86_64.cmake ;;
    arm64) echo aarch64-linux-gnu.cmake ;;
    armhf) echo arm-linux-gnueabihf.cmake ;;
    *) echo "unknown target $1: not one of ${cross_targets[*]}" >&2; return 2 ;;
  esac
}

# fetch_freeglut_source FOLDER: Debian's freeglut source package for the running release,
# unpacked in FOLDER. NOTE: a mirror may serve the package's upstream tarball, which releases
# share, but not Debian's own files for it (seen for Debian 13); then the tarball alone is
# taken, checked against the hash in the release's source index. Debian's changes to freeglut
# are to its Linux packaging, which the static Windows library does not use.
fetch_freeglut_source() {
  local folder=$1 uri name size hash
  # apt's download user cannot write here; the package is fetched as the caller.
  (cd "$folder" && apt-get source -qq -o APT::Sandbox::User="$(id -un)" freeglut) \
    >"$folder/../source.log" 2>&1 && return 0
  # A here-string, not a process substitution: a bare system may have no /dev/fd.
  read -r uri name size hash <<<"$(apt-get source --print-uris -qq freeglut 2>/dev/null |
    grep "\.orig\.tar\.")" || true
  if [[ -z ${hash:-} ]] || ! /usr/lib/apt/apt-helper -o APT::Sandbox::User="$(id -un)" \
      download-file "${uri//\'/}" "$folder/$name" "$hash" >>"$folder/../source.log" 2>&1; then
    cat "$folder/../source.log" >&2
    echo "freeglut's source could not be fetched: is there a deb-src entry? (scripts/install-deps.sh windows)" >&2
    return 1
  fi
  tar -xf "$folder/$name" -C "$folder"
}

# Prints the install prefix of freeglut built for Windows under folder, building it if needed.
windows_freeglut() {
  local folder=$1 root source
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  if [[ ! -f $folder/prefix/lib/cmake/FreeGLUT/FreeGLUTConfig.cmake ]]; then
    rm -rf "$folder"
    mkdir -p "$folder/source"
    fetch_freeglut_source "$folder/source" || return 1
    source=$(find "$folder/source" -mindepth 1 -maxdepth 1 -type d -name 'freeglut-*' | head -1)
    [[ -n $source ]] || { echo "freeglut's source gave no source folder" >&2; return 1; }
    # Its own warnings are its maintainers' business: they stay in the log unless it fails.
    if ! {
      cmake -S "$source" -B "$folder/build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_INSTALL_PREFIX="$folder/prefix" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
        -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF &&
        cmake --build "$folder/build" -j"$(nproc)" && cmake --install "$folder/build"
    } >"$folder/build.log" 2>&1; then
      tail -n 40 "$folder/build.log" >&2
      echo "freeglut for Windows did not build; its log is $folder/build.log" >&2
      return 1
    fi
  fi
  echo "$folder/prefix"
}

# build_cross TARGET HOST_BUILD TARGET_BUILD [cmake argument...]
build_cross() {
  local target=$1 host=$2 folder=$3 root toolchain freeglut found=()
  shift 3
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  toolchain=$root/cmake/$(cross_toolchain "$target") || return 2
  read_manifest "$host" || return 1
  # shellcheck disable=SC2086
  cmake --build "$host" -j"$(nproc)" --target $KX_GENERATORS >/dev/null
  if [[ $target == windows ]]; then
    freeglut=$(windows_freeglut "$folder/freeglut") || return 1
    found=(-DCMAKE_FIND_ROOT_PATH="$freeglut")
  fi
  cmake -S "$root" -B "$folder" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    "${found[@]}" -DKX_HOST_TOOLS="$host/kx-host-tools.cmake" "$@" >/dev/null
  cmake --build "$folder" -j"$(nproc)"
  # The generators the build names: ZIP and NSIS for Windows, DEB for Linux.
  (cd "$folder" && cpack >/dev/null)
}
