#!/usr/bin/env bash
# Installs what is missing, builds Kullerix and runs every test under a private Xvfb:
# the test suite, the same suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# and a bounded run of each fuzz target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/xvfb.sh"
source "$root/scripts/dialog_check.sh"
jobs=$(nproc)

"$root/scripts/install-deps.sh" test
start_xvfb

echo "== Build and test"
cmake -S "$root" -B "$root/build-tests" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Many tests wait for the program's message boxes: without them they would only time out.
cmake --build "$root/build-tests" -j"$jobs" --target kx_message_box_probe >/dev/null
check_message_box "$root/build-tests/kx_message_box_probe" || exit 1
cmake --build "$root/build-tests" -j"$jobs"
ctest --test-dir "$root/build-tests" -j"$jobs" --output-on-failure --timeout 900

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DKX_SANITIZE=ON >/dev/null
cmake --build "$root/build-asan" -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions="$root/tests/lsan.supp":print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" -j"$jobs" --output-on-failure --timeout 900 -LE e2e
# The instrumented program itself, with each of its files missing or damaged in turn; the
# test hands the sanitizer settings to the program only, not to the tools that drive it.
ctest --test-dir "$root/build-asan" --output-on-failure --timeout 900 -L sanitized

echo "== Fuzz"
"$root/scripts/fuzz.sh" "${KX_FUZZ_SECONDS:-60}"
