#!/usr/bin/env bash
# The quick check for every change: installs what is missing, builds Kullerix with its tests
# into build/tests and runs the unit and GL tests on a private Xvfb. About a minute after the
# first build. The full test command (scripts/test.sh) uses the same build folder.
# Usage: scripts/quick-test.sh [ctest argument...]   (e.g. -R bmp to run only some)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/usage.sh"
answer_help "$0" "$@"
source "$root/scripts/lib/xvfb.sh"
build=$root/build/tests

"$root/scripts/install-deps.sh" quick
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
start_xvfb
ctest --test-dir "$build" -j"$(nproc)" -L 'unit|gl' --output-on-failure "$@"
