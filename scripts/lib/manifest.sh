# Sourced by the scripts that use a build folder: read_manifest FOLDER sets, in the calling shell,
# the facts that CMake wrote into FOLDER/manifest.env (data/build_manifest.cmake lists them):
# KX_VERSION, KX_RELEASE_EPOCH, KX_PACKAGES, KX_RUN_COMMAND and the rest. It fails, saying so,
# where FOLDER holds no configured build.
read_manifest() {
  if [[ ! -f $1/manifest.env ]]; then
    echo "$1 holds no configured build (no manifest.env)" >&2
    return 1
  fi
  # shellcheck source=/dev/null
  source "$1/manifest.env"
}
