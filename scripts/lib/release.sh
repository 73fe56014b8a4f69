# Sourced by scripts/release.sh (with manifest.sh, cross-build.sh, buildinfo.sh and signing.sh):
# make_release ROOT SIGNED builds the release of the source tree ROOT into ROOT/build/dist,
# write_checksums FOLDER adds its SHA256SUMS, once scripts/release.sh has signed what it was
# asked to, and check_release ROOT [ARGUMENT...] builds it a second time from its own source
# tarball, with scripts/release.sh ARGUMENT..., and compares the two. The release's build
# folders are ROOT/build/dist-work/host (for this machine) and one per foreign target beside it.

# source_files ROOT: the files of the source, NUL-separated: what git tracks (and a change not
# yet committed has not removed), or, in a tree without git (an unpacked source tarball),
# every file but the build folder.
source_files() {
  local file
  if git -C "$1" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$1" ls-files -z | while IFS= read -r -d '' file; do
      [[ ! -e $1/$file && ! -L $1/$file ]] || printf '%s\0' "$file"
    done
  else
    (cd "$1" && find . -path ./build -prune -o \( -type f -o -type l \) -printf '%P\0')
  fi
}

# source_tarball ROOT VERSION FILE: the source as a tarball with one top folder, its entries
# sorted, owned by root, with the modes git knows (rw-r--r-- or rwxr-xr-x, whatever the umask)
# and the release's time (SOURCE_DATE_EPOCH).
source_tarball() {
  local root=$1 version=$2 file=$3
  source_files "$root" | LC_ALL=C sort -z |
    tar --create --directory="$root" --format=gnu --owner=0 --group=0 --numeric-owner \
      --mode=u=rwX,go=rX --mtime=@"$SOURCE_DATE_EPOCH" --transform="flags=r;s,^,kullerix-$version/," \
      --no-recursion --null --files-from=- | gzip -9n >"$file"
}

# release_notes WORK SOURCE MATERIALS RECORD SIGNED: the release's notes as the build wrote
# them, with what the release holds (its packages as the manifests of WORK's build folders name
# them, the source tarball SOURCE, the bill of materials MATERIALS and the record of the build
# RECORD) and how to check it. SIGNED says what signs the release: nothing, "openpgp"
# (SHA256SUMS.asc) or "openpgp+authenticode" (and its Windows files).
release_notes() {
  local work=$1 source=$2 materials=$3 record=$4 signed=$5 pc data arm64 armhf zip installer
  read_manifest "$work/host" && pc=${KX_DEB##*/} data=${KX_DATA_DEB##*/}
  cat "$work/host/release-notes.md"
  read_manifest "$work/arm64" && arm64=${KX_DEB##*/}
  read_manifest "$work/armhf" && armhf=${KX_DEB##*/}
  read_manifest "$work/windows" && zip=${KX_ZIP##*/} installer=${KX_INSTALLER##*/}
  cat <<NOTES

## Files

- \`$source\`: the source. \`scripts/demo.sh\` builds and runs Kullerix from it,
  \`scripts/test.sh\` tests it, \`scripts/release.sh\` makes this release again.
- \`$pc\`: for Debian 12 and 13 on PCs
  (\`sudo apt-get install ./$pc ./$data\`).
- \`$arm64\`, \`$armhf\`: for Debian and Raspberry Pi OS on 64-bit and
  32-bit ARM, installed the same way.
- \`$data\`: the textures and shaders, which each of them needs and installs
  with it, the same for every architecture.
- \`$zip\`: Kullerix for 64-bit Windows, to unpack anywhere and start.
- \`$installer\`: its installer.
- \`$materials\`: the bill of materials, an SPDX 2.3 document: every file with its
  checksum and what it holds, what the Windows program carries of other projects, with their
  versions and licences, and what the Debian packages depend on.
- \`$record\`: the record of the build: the Debian release, every package installed
  with its version, the build's settings and the checksums of the files as the build made
  them, before any signature. Built again from the source with those packages, the release
  comes out the same, byte for byte.
- \`SHA256SUMS\`: the checksums of the others; \`sha256sum -c SHA256SUMS\` checks them.
NOTES
  case $signed in
    "")
      echo
      echo "This release is not signed: \`SHA256SUMS\` shows that the files came whole, not who"
      echo "made them."
      ;;
    openpgp*)
      echo "- \`SHA256SUMS.asc\`: the maintainer's OpenPGP signature of \`SHA256SUMS\`;"
      echo "  \`gpg --verify SHA256SUMS.asc SHA256SUMS\` checks it, before"
      echo "  \`sha256sum -c SHA256SUMS\`."
      echo
      if [[ $signed == *authenticode* ]]; then
        echo "The Windows program, in the zip and the installer, and the installer itself are"
        echo "signed (Authenticode) by the maintainer: Windows names them as their publisher,"
        echo "and \`osslsigncode verify\` checks them."
      else
        echo "The Windows program and installer are not signed (Authenticode): Windows calls"
        echo "their publisher unknown."
      fi
      ;;
  esac
}

# make_release ROOT SIGNED: builds every file of the release into ROOT/build/dist, in fresh
# build folders under ROOT/build/dist-work, as the builds make them, unsigned: the packages, the
# source, the notes (which say that the release is signed with SIGNED, as release_notes takes it)
# and the record of the build, kullerix-VERSION.buildinfo, which lists the others.
make_release() {
  local root=$1 signed=$2 work=$1/build/dist-work dist=$1/build/dist version target source record
  local materials package
  rm -rf "$work" "$dist"
  mkdir -p "$work" "$dist"
  # The build's own flags (data/build_flags.cmake, which also keeps this tree's paths out of
  # what the compilers make) and none of the caller's: the same source, the same release.
  unset CFLAGS CXXFLAGS LDFLAGS DEB_BUILD_OPTIONS \
    $(compgen -e | grep -E '^DEB_[A-Z]+FLAGS_(MAINT_)?(SET|STRIP|APPEND|PREPEND)$' || true)
  cmake -S "$root" -B "$work/host" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  read_manifest "$work/host"
  version=$KX_VERSION
  export SOURCE_DATE_EPOCH=$KX_RELEASE_EPOCH
  echo "== Kullerix $version, dated $(date -u -d @"$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M UTC')"
  echo "== Build for this machine and its Debian packages"
  cmake --build "$work/host" -j"$(nproc)" >/dev/null
  (cd "$work/host" && cpack -G DEB >/dev/null)
  cp "$KX_DEB" "$KX_DATA_DEB" "$dist/"
  for target in "${cross_targets[@]}"; do
    echo "== Build for $target and its packages"
    build_cross "$target" "$work/host" "$work/$target" -DBUILD_TESTING=OFF >/dev/null
    read_manifest "$work/$target"
    for package in $KX_PACKAGES; do
      if [[ $package != "$KX_DATA_DEB" ]]; then
        cp "$package" "$dist/"
      # The release holds the data package once, this machine's; each build's must be it.
      elif ! cmp -s "$package" "$dist/${package##*/}"; then
        echo "release: $package differs from $dist/${package##*/}, the data package of the" \
          "build for this machine" >&2
        return 1
      fi
    done
  done
  echo "== The source, the notes and the record of the build"
  source=kullerix-$version.tar.gz record=kullerix-$version.buildinfo
  source_tarball "$root" "$version" "$dist/$source"
  materials=kullerix-$version.spdx
  release_notes "$work" "$source" "$materials" "$record" "$signed" \
    >"$dist/kullerix-$version-notes.md"
  echo "== The bill of materials"
  python3 "$root/packaging/bill_of_materials.py" "$dist" "$work/host" \
    "${cross_targets[@]/#/$work/}" >"$dist/$materials"
  buildinfo "$dist" "$version" "$root" "$work/host" "${cross_targets[@]/#/$work/}" \
    >"$work/$record"
  mv "$work/$record" "$dist/"
}

# write_checksums FOLDER: FOLDER/SHA256SUMS, the checksums of every file in FOLDER.
write_checksums() {
  (cd "$1" && LC_ALL=C sha256sum -- $(LC_ALL=C ls) >SHA256SUMS)
}

# check_release ROOT [ARGUMENT...]: unpacks ROOT/build/dist's source tarball in another folder
# and makes the release there again with scripts/release.sh ARGUMENT..., later, in another
# umask, time zone and locale; then compares the two releases file by file, and shows with
# diffoscope what differs. The second build signs nothing, so where the first is signed, its
# SHA256SUMS.asc has no counterpart, and its Windows zip and installer are compared with the
# second's without their signatures (unsigned_view), and its SHA256SUMS with the second's but
# for their lines; the record of the build lists the files as they were built, before signing,
# and must be the same, byte for byte, as every other file.
check_release() {
  local root=$1 version scratch other first=$1/build/dist second name signed windows=() differ=()
  local aside=""
  shift
  read_manifest "$root/build/dist-work/host" || return 1
  version=$KX_VERSION
  scratch=$(mktemp -d /var/tmp/kx-release-check.XXXXXX)
  other=$scratch/kullerix-$version
  second=$other/build/dist
  # A German locale, made from Debian's locale sources into the scratch folder.
  mkdir -p "$scratch/locale"
  localedef --no-archive -i de_DE -f UTF-8 "$scratch/locale/de_DE.UTF-8" ||
    { echo "release: no German locale could be made (package locales)" >&2; return 1; }
  echo "== The second build: in $other, with umask 077, the time zone UTC+14, the locale" \
    "de_DE.UTF-8"
  (
    umask 077
    tar -xzf "$first/kullerix-$version.tar.gz" --no-same-permissions -C "$scratch"
    cd "$other"
    unset SOURCE_DATE_EPOCH
    env LOCPATH="$scratch/locale" LC_ALL=de_DE.UTF-8 TZ=KXT-14 scripts/release.sh "$@"
  )
  echo "== Comparing $first with $second"
  if [[ $(cd "$first" && LC_ALL=C ls | grep -vx SHA256SUMS.asc) != $(cd "$second" && LC_ALL=C ls) ]]
  then
    echo "release: the two builds hold other files: $(cd "$first" && echo *) and" \
      "$(cd "$second" && echo *)" >&2
    return 1
  fi
  # SHA256SUMS last: the Windows files that it lists are compared before it.
  for name in $(cd "$second" && LC_ALL=C ls | grep -vx SHA256SUMS
                [[ ! -e $second/SHA256SUMS ]] || echo SHA256SUMS); do
    cmp -s "$first/$name" "$second/$name" && continue
    if [[ $name == SHA256SUMS && ${#windows[@]} -gt 0 ]] &&
        same_checksums "$first" "$second" "${windows[@]}"; then
      echo "  $name: the same but for the lines of ${windows[*]}, signed in the first"
      continue
    fi
    if [[ $name == *.zip || $name == *.exe ]]; then
      signed=$(unsigned_view "$first/$name" "$scratch/unsigned/first/$name") &&
        unsigned_view "$second/$name" "$scratch/unsigned/second/$name" >/dev/null || return 1
      if [[ -z $signed ]]; then
        rm -rf "$scratch/unsigned/first/$name"
      elif diff -r "$scratch/unsigned/first/$name" "$scratch/unsigned/second/$name" >/dev/null
      then
        echo "  $name: the same without the signatures of the first's ${signed//$'\n'/, }"
        windows+=("$name")
        continue
      fi
    fi
    differ+=("$name")
  done
  if ((${#differ[@]} > 0)); then
    for name in "${differ[@]}"; do
      if [[ $name == *.buildinfo && -n $(differing_packages "$first/$name" "$second/$name") ]]
      then
        echo "release: the two builds were made with other packages (version in the first," \
          "in the second):" >&2
        differing_packages "$first/$name" "$second/$name" | sed 's/^/  /' >&2
        continue
      fi
      echo "release: $name differs; diffoscope says:" >&2
      if [[ -d $scratch/unsigned/first/$name ]]; then
        diffoscope --text - "$scratch/unsigned/first/$name" "$scratch/unsigned/second/$name"
      else
        diffoscope --text - "$first/$name" "$second/$name"
      fi 2>&1 | head -n 200 >&2 || true
    done
    echo "release: the second build is in $other" >&2
    return 1
  fi
  ((${#windows[@]} == 0)) || aside=", the first's signatures aside"
  echo "The two builds are identical$aside: $(cd "$second" && ls | wc -l) files, the record of" \
    "the build and SHA256SUMS included:"
  sed 's/^/  /' "$first/SHA256SUMS"
  rm -rf "$scratch"
}

# same_checksums FIRST SECOND NAME...: whether FIRST/SHA256SUMS and SECOND/SHA256SUMS are the
# same but for the lines of the files NAME..., and FIRST's checks out with its own files.
same_checksums() {
  local first=$1 second=$2 others
  shift 2
  # A line is a checksum of 64 digits, two spaces and the name.
  others='index(names, " " substr($0, 67) " ") == 0'
  [[ $(awk -v names=" $* " "$others" "$first/SHA256SUMS") == \
     "$(awk -v names=" $* " "$others" "$second/SHA256SUMS")" ]] &&
    (cd "$first" && sha256sum --quiet -c SHA256SUMS)
}
