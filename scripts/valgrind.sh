#!/usr/bin/env bash
# Runs Kullerix once under valgrind's memcheck with all its files (first frame, a few keys,
# the ball rolling, Esc) and fails on any memory error or definite leak in our own code.
# Takes a minute or more: memcheck runs llvmpipe's generated code many times slower.
# Usage: scripts/valgrind.sh [build dir]   (default build/valgrind, made RelWithDebInfo if new)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/usage.sh"
answer_help "$0" "$@"
build=${1:-$root/build/valgrind}

if [[ ! -f $build/manifest.env ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target kullerix kx_textures kx_font_sheet >/dev/null

# The whole report stays beside the build for reading: memcheck.xml.
KX_BINARY="$build/kullerix" KX_RUN_DIR="$build/run" PYTHONDONTWRITEBYTECODE=1 \
  exec python3 "$root/tests/e2e/memcheck_run.py" "$build/memcheck.xml"
