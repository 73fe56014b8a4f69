#!/usr/bin/env bash
# The full test command, which CI runs: installs what is missing, builds Kullerix and runs every
# test under a private Xvfb: the unit, GL and end-to-end tests (build/tests), the same suite
# under AddressSanitizer and UndefinedBehaviorSanitizer (build/asan), a bounded run of each
# fuzz target (build/fuzz), and the Windows and ARM builds with their tests under Wine and
# qemu-user (build/windows, build/arm64, build/armhf). About 15 minutes on 2 cores. For every
# change, scripts/quick-test.sh is the one-minute check.
# Usage: scripts/test.sh   (KX_FUZZ_SECONDS sets the seconds per fuzz target, default 60)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/usage.sh"
answer_help "$0" "$@"
source "$root/scripts/lib/xvfb.sh"
source "$root/scripts/lib/dialog-check.sh"
source "$root/scripts/lib/wine.sh"
source "$root/scripts/lib/cross-build.sh"
jobs=$(nproc)
build=$root/build

"$root/scripts/install-deps.sh" test
start_xvfb

echo "== Build and test"
cmake -S "$root" -B "$build/tests" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Many tests wait for the program's message boxes: without them they would only time out.
cmake --build "$build/tests" -j"$jobs" --target kx_message_box_probe >/dev/null
check_message_box "$build/tests/kx_message_box_probe" || exit 1
cmake --build "$build/tests" -j"$jobs"
ctest --test-dir "$build/tests" -j"$jobs" --output-on-failure --timeout 900

# The foreign builds run under Wine and qemu-user on a PC (amd64) alone; see install-deps.sh.
[[ $(dpkg --print-architecture) == amd64 ]] || cross_targets=()
for target in "${cross_targets[@]}"; do
  echo "== Build for $target and test under $(cross_emulator "$target")"
  build_cross "$target" "$build/tests" "$build/$target"
  if [[ $target == windows ]]; then
    # The platform tests run in a prefix kept beside the build; the end-to-end test makes its own.
    use_wine_prefix "$build/windows/wine"
  fi
  ctest --test-dir "$build/$target" --output-on-failure --timeout 900
  [[ $target != windows ]] || wineserver -k 2>/dev/null || true
done

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$build/asan" -DCMAKE_BUILD_TYPE=Debug -DKX_SANITIZE=ON >/dev/null
cmake --build "$build/asan" -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions="$root/tests/lsan.supp":print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$build/asan" -j"$jobs" --output-on-failure --timeout 900 -LE e2e
# The instrumented program itself, with each of its files missing or damaged in turn; the
# test hands the sanitizer settings to the program only, not to the tools that drive it.
ctest --test-dir "$build/asan" --output-on-failure --timeout 900 -L sanitized

echo "== Fuzz"
KX_FUZZ_BUILD="$build/fuzz" "$root/scripts/fuzz.sh" "${KX_FUZZ_SECONDS:-60}"
