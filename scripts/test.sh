#!/usr/bin/env bash
# The full test command, which CI runs: installs what is missing, builds Kullerix and runs its
# tests under a private Xvfb, part by part, and says how long each part took. With no PART it
# runs every part, in this order; name parts to run only those (CI runs on each Debian release
# the parts that can differ there). All of them take about 14½ minutes on 2 cores in a new
# clone, 9½ after a change. For every change, scripts/quick-test.sh is the one-minute check.
# Usage: scripts/test.sh [PART...]
#   native      build/tests: the unit, GL and end-to-end tests (the real program, also under
#               openbox and on weston's Xwayland, its packages) and the pictures in docs/
#   sanitizers  build/asan: the unit and GL tests and the program on missing and damaged files,
#               built with AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz        build/fuzz: a bounded run of each fuzz target, side by side (KX_FUZZ_SECONDS sets
#               the seconds each runs, default 60)
#   cross       build/windows, build/arm64, build/armhf: the Windows and ARM builds, their unit
#               tests and their programs and packages under Wine and qemu-user (on a PC alone)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/usage.sh"
answer_help "$0" "$@"
source "$root/scripts/lib/xvfb.sh"
source "$root/scripts/lib/dialog-check.sh"
source "$root/scripts/lib/wine.sh"
source "$root/scripts/lib/manifest.sh"
source "$root/scripts/lib/cross-build.sh"
jobs=$(nproc)
build=$root/build
all=(native sanitizers fuzz cross)

parts=("$@")
[[ $# -gt 0 ]] || parts=("${all[@]}")
for part in "${parts[@]}"; do
  [[ " ${all[*]} " == *" $part "* ]] ||
    { echo "usage: $0 [PART...], each PART one of: ${all[*]}" >&2; exit 2; }
done
if [[ $# -eq 0 ]]; then
  "$root/scripts/install-deps.sh" test
else
  "$root/scripts/install-deps.sh" "${parts[@]}"
fi
start_xvfb

# The build the other parts start from: the cross builds run its asset generators.
cmake -S "$root" -B "$build/tests" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Many tests wait for the program's message boxes: without them they would only time out.
cmake --build "$build/tests" -j"$jobs" --target kx_message_box_probe >/dev/null
check_message_box "$build/tests/kx_message_box_probe" || exit 1

native() {
  local once=()
  # Where the sanitizers run too, the program on missing and damaged files runs in their build
  # alone, which checks all that this one does and its memory besides.
  [[ " ${parts[*]} " != *" sanitizers "* ]] || once=(-LE sanitized)
  cmake --build "$build/tests" -j"$jobs"
  ctest --test-dir "$build/tests" -j"$jobs" --output-on-failure --timeout 900 "${once[@]}"
}

sanitizers() {
  cmake -S "$root" -B "$build/asan" -DCMAKE_BUILD_TYPE=Debug -DKX_SANITIZE=ON >/dev/null
  cmake --build "$build/asan" -j"$jobs"
  # The instrumented program itself runs with each of its files missing or damaged in turn
  # (label sanitized); the test hands the sanitizer settings to the program only, not to the
  # tools that drive it.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  LSAN_OPTIONS=suppressions="$root/tests/lsan.supp":print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$build/asan" -j"$jobs" --output-on-failure --timeout 900 -L 'unit|gl|sanitized'
}

fuzz() {
  KX_FUZZ_BUILD="$build/fuzz" "$root/scripts/fuzz.sh" "${KX_FUZZ_SECONDS:-60}"
}

cross() {
  local target
  # The foreign builds run under Wine and qemu-user on a PC (amd64) alone; see install-deps.sh.
  if [[ $(dpkg --print-architecture) != amd64 ]]; then
    echo "(the cross builds are made and tested on a PC, amd64, alone)"
    return 0
  fi
  for target in "${cross_targets[@]}"; do
    build_cross "$target" "$build/tests" "$build/$target"
    read_manifest "$build/$target"
    echo "== $target, tested under $KX_RUN_COMMAND"
    if [[ $target == windows ]]; then
      # The platform tests run in a prefix kept beside the build; the end-to-end test makes its own.
      use_wine_prefix "$build/windows/wine"
    fi
    ctest --test-dir "$build/$target" -j"$jobs" --output-on-failure --timeout 900
    [[ $target != windows ]] || wineserver -k 2>/dev/null || true
  done
}

times=()
for part in "${parts[@]}"; do
  echo "== $part"
  start=$SECONDS
  "$part"
  times+=("$part: $((SECONDS - start)) s")
done
printf 'test: %s\n' "${times[@]}"
