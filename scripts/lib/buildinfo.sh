# Sourced by scripts/release.sh, after manifest.sh: the record of the build that made a release,
# in the form of Debian's .buildinfo files (deb822). buildinfo FOLDER VERSION ROOT BUILD...
# prints it, and differing_packages FIRST SECOND names the packages that two records give other
# versions of.

# What the builds take from the environment that changes what they make: the release's time and
# what CMake reads to pick the compilers and their flags.
build_environment=(SOURCE_DATE_EPOCH CC CXX CFLAGS CXXFLAGS LDFLAGS)

# buildinfo FOLDER VERSION ROOT BUILD...: the record of the build of the source tree ROOT that
# made the files in FOLDER in the build folders BUILD: the Debian release and the architecture
# it was built on, the environment the builds took (those of build_environment that are set),
# the flags that each build compiled and linked with, as its manifest gives them, by its
# architecture (the source folder, which the flags map away, written <source>), the SHA-256
# checksum and size of each file in FOLDER, and every
# installed package with its version (and its architecture where several can be installed at
# once). It holds nothing of the time, the folder, the user or the machine's name: built again
# with the same packages, anywhere, the release has the same record.
buildinfo() {
  local folder=$1 version=$2 root=$3 name value build
  shift 3
  echo "Format: 1.0"
  echo "Source: kullerix"
  echo "Version: $version"
  echo "Build-Origin: $(. /etc/os-release && echo "$PRETTY_NAME")"
  echo "Build-Architecture: $(dpkg --print-architecture)"
  echo "Environment:"
  for name in "${build_environment[@]}"; do
    [[ -v $name ]] || continue
    value=${!name}
    printf ' %s="%s"\n' "$name" "${value//"$root"/<source>}"
  done
  echo "Build-Flags:"
  for build in "$@"; do
    read_manifest "$build" || return 1
    for name in KX_CFLAGS KX_CXXFLAGS KX_LDFLAGS; do
      value=${!name}
      printf ' %s %s="%s"\n' "$KX_ARCH" "${name#KX_}" "${value//"$root"/<source>}"
    done
  done
  echo "Checksums-Sha256:"
  for name in $(cd "$folder" && LC_ALL=C ls); do
    printf ' %s %s %s\n' "$(sha256sum <"$folder/$name" | cut -d' ' -f1)" \
      "$(stat -c %s -- "$folder/$name")" "$name"
  done
  echo "Installed-Build-Depends:"
  dpkg-query -W -f='${db:Status-Status} ${binary:Package} (= ${Version})\n' |
    sed -n 's/^installed / /p' | LC_ALL=C sort | sed '$!s/$/,/'
}

# differing_packages FIRST SECOND: the packages that the records FIRST and SECOND list at other
# versions, or one of them alone, one a line: "NAME: VERSION, VERSION" (first, second; "none"
# where a record lacks it), sorted.
differing_packages() {
  awk '
    FNR == 1 { record++ }
    /^[^ ]/ { field = $1 }
    field == "Installed-Build-Depends:" && /^ / {
      version = $3
      sub(/\),?$/, "", version)
      versions[$1, record] = version
      names[$1]
    }
    END {
      for (name in names) {
        first = ((name, 1) in versions) ? versions[name, 1] : "none"
        second = ((name, 2) in versions) ? versions[name, 2] : "none"
        if (first != second)
          print name ": " first ", " second
      }
    }' "$1" "$2" | LC_ALL=C sort
}
