#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/*_fuzz.cpp) with clang and runs each for a bounded time,
# seeded from the shared corpus and from the hostile files kept as regression tests in
# tests/data/regressions/<format>/ (see the README there); fails when any target finds a
# crash, undefined behaviour, a leak or a timeout. The targets run side by side, a core each
# where there are enough.
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target ...]
#   builds in build/fuzz (KX_FUZZ_BUILD overrides it); takes about a minute.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/usage.sh"
answer_help "$0" "$@"
seconds=${1:-60}
shift || true
build=${KX_FUZZ_BUILD:-$root/build/fuzz}
corpus=${KX_CORPUS_DIR:-$root/../shared/corpus}

# Seeds per target: a folder of the shared corpus and the file extension to take from it.
# The regression files under tests/data/regressions/<format>/ are added for <format>_fuzz.
seeds_for() {
  case "$1" in
    bmp_fuzz) echo "bmpsuite bmp" ;;
    tga_fuzz) echo "tga tga" ;;
    *) echo "" ;;
  esac
}

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in "$root"/fuzz/*_fuzz.cpp; do
    [ -e "$source" ] && targets+=("$(basename "$source" .cpp)")
  done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no targets in $root/fuzz" >&2
  exit 1
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DKX_FUZZ=ON -DBUILD_TESTING=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# fuzz_target TARGET: runs one target for its time in its own log; its status is the fuzzer's.
fuzz_target() {
  local target=$1 units=$work/$1 folder extension regressions artifacts
  mkdir -p "$units"
  read -r folder extension <<<"$(seeds_for "$target")"
  if [ -n "${folder:-}" ] && [ -d "$corpus/$folder" ]; then
    find "$corpus/$folder" -type f -name "*.$extension" -exec cp -t "$units" {} +
  elif [ -n "${folder:-}" ]; then
    echo "fuzz: no seeds at $corpus/$folder; starting from nothing" >&2
  fi
  regressions="$root/tests/data/regressions/${target%_fuzz}"
  if [ -d "$regressions" ]; then
    find "$regressions" -type f -exec cp -t "$units" {} +
  fi
  artifacts="$build/artifacts/$target"
  mkdir -p "$artifacts"
  # UndefinedBehaviorSanitizer only prints its findings unless told to stop at the first.
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=3072 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$units" >"$artifacts/$target.log" 2>&1
}

echo "== ${targets[*]} for ${seconds} s each"
pids=()
for target in "${targets[@]}"; do
  fuzz_target "$target" &
  pids+=($!)
done
failed=()
for index in "${!targets[@]}"; do
  target=${targets[$index]}
  # The fuzzer's progress lines stay in its log; only its final figures, or a failure's tail, show.
  log="$build/artifacts/$target/$target.log"
  if wait "${pids[$index]}"; then
    echo "$target:"
    grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$log" || true
  else
    tail -n 60 "$log" >&2
    failed+=("$target")
    echo "fuzz: $target failed; inputs are in $build/artifacts/$target, its log in $log" >&2
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failures in ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: ${targets[*]} ran ${seconds} s each without a failure"
