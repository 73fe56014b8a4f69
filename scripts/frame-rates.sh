#!/usr/bin/env bash
# Frame figures of the unchanged program beside a minimal freeglut program (clear and swap
# only, same window size and display mode) on one private Xvfb display: time from exec to the
# first frame, frames per second over ten seconds, peak memory (VmHWM), their ratios, and the
# share of the process's CPU time spent in our own code per frame (perf, when it can sample).
# Nothing here is a test: the figures depend on the machine.
# Usage: scripts/frame-rates.sh [build dir] [runs]   (default build/bench, made with KX_BENCH=ON
#        if new; 3 runs of each program)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/usage.sh"
answer_help "$0" "$@"
build=${1:-$root/build/bench}
runs=${2:-3}
source "$root/scripts/lib/xvfb.sh"

if [[ ! -f $build/manifest.env ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX_BENCH=ON \
    -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" \
  --target kullerix kx_textures kx_font_sheet kx_frame_probe minimal_glut >/dev/null
probe="$build/libkx_frame_probe.so"
scratch=$(mktemp -d)
start_xvfb
trap 'kill $KX_XVFB_PID 2>/dev/null || true; rm -rf "$scratch"' EXIT

# field <file> <name>: one value of the probe's results, empty when absent.
field() { awk -v n="$2" '$1 == n { print $2 }' "$1" 2>/dev/null; }

# wait_for <file> <name> <seconds>: polls until the probe has written that field.
wait_for() {
  local deadline=$((SECONDS + $3))
  until [[ -n "$(field "$1" "$2")" ]]; do
    ((SECONDS < deadline)) || { echo "no $2 from the probe within $3 s" >&2; return 1; }
    sleep 0.05
  done
}

cpu_ticks() { awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }

# measure <name> <run>: starts the program with the probe, waits for the ten-second window,
# records its figures in $scratch/<name>.<run>, and leaves the process running in $pid.
measure() {
  local name=$1 run=$2 out="$scratch/$1.$2"
  local command=("$build/kullerix") dir="$build/run"
  [[ $name == minimal ]] && command=("$build/minimal_glut")
  rm -f "$out"
  local start
  start=$(date +%s%N)
  (cd "$dir" && KX_PROBE_OUT="$out" KX_PROBE_START_NS="$start" KX_PROBE_SKIP=1 \
     KX_PROBE_SECONDS=10 LD_PRELOAD="$probe" exec "${command[@]}") &
  pid=$!
  wait_for "$out" window_swaps 120
}

stop() {
  kill -TERM "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# ask_probe <file>: has the probe write its figures now (SIGUSR1) and waits until it has.
ask_probe() {
  rm -f "$1"
  kill -USR1 "$pid"
  wait_for "$1" swaps 10
}

# cpu_share <name>: perf samples of the running process for five seconds, with the frames
# drawn meanwhile (from the probe) and its CPU time.
cpu_share() {
  local name=$1
  local out="$scratch/$name.perf" data="$scratch/$name.data" swaps0 ticks0 swaps1 ticks1
  ask_probe "$scratch/$name.1"
  swaps0=$(field "$scratch/$name.1" swaps); ticks0=$(cpu_ticks "$pid")
  if ! perf record -q -e cpu-clock -F 999 -p "$pid" -o "$data" -- sleep 5 >/dev/null 2>&1; then
    echo "perf could not sample here" >"$out"
    return
  fi
  ask_probe "$scratch/$name.1"
  swaps1=$(field "$scratch/$name.1" swaps); ticks1=$(cpu_ticks "$pid")
  {
    echo "frames $((swaps1 - swaps0))"
    echo "cpu_ticks $((ticks1 - ticks0))"
    echo "ticks_per_second $(getconf CLK_TCK)"
    perf report -i "$data" --stdio -q --sort dso 2>/dev/null |
      awk 'NF >= 2 { sub(/%/, "", $1); print "dso", $1, $2 }'
    perf report -i "$data" --stdio -q --sort sym --percentage absolute --dsos "$(basename "$build/kullerix")" \
      2>/dev/null | awk 'NF >= 2 { sub(/%/, "", $1); $2 = ""; print "sym", $0 }' | head -8
  } >"$out"
}

for run in $(seq 1 "$runs"); do
  for name in kullerix minimal; do
    measure "$name" "$run"
    if [[ $run == 1 ]]; then
      if command -v perf >/dev/null; then
        cpu_share "$name"
      else
        echo "perf is not installed" >"$scratch/$name.perf"
      fi
    fi
    stop
  done
done

python3 - "$scratch" "$runs" <<'EOF'
import os, statistics, sys

scratch, runs = sys.argv[1], int(sys.argv[2])

def results(name, run):
    values = {}
    with open(os.path.join(scratch, "%s.%d" % (name, run))) as f:
        for line in f:
            key, value = line.split()
            values[key] = int(value)
    return values

def figures(name):
    rows = [results(name, run) for run in range(1, runs + 1)]
    start = [r["exec_to_first_swap_ns"] / 1e6 for r in rows]
    fps = [r["window_swaps"] / (r["window_ns"] / 1e9) for r in rows]
    peak = [r["vm_hwm_kb"] / 1024.0 for r in rows]
    return start, fps, peak

def show(label, values, unit, fmt="%.1f"):
    return "%-22s %s %s (median %s)" % (label, " ".join(fmt % v for v in values), unit,
                                         fmt % statistics.median(values))

k_start, k_fps, k_peak = figures("kullerix")
m_start, m_fps, m_peak = figures("minimal")
print("Runs of each program: %d, display %s" % (runs, os.environ.get("DISPLAY")))
for label, (start, fps, peak) in (("Kullerix", (k_start, k_fps, k_peak)),
                                  ("minimal freeglut", (m_start, m_fps, m_peak))):
    print(label)
    print("  " + show("exec to first frame", start, "ms"))
    print("  " + show("frames per second", fps, "fps"))
    print("  " + show("peak memory (VmHWM)", peak, "MiB"))
med = statistics.median
print("Ratios Kullerix / minimal: start-up %.2f, frame rate %.3f, peak memory %.2f"
      % (med(k_start) / med(m_start), med(k_fps) / med(m_fps), med(k_peak) / med(m_peak)))

for name in ("kullerix", "minimal"):
    path = os.path.join(scratch, name + ".perf")
    lines = open(path).read().splitlines()
    if not lines or not lines[0].startswith("frames"):
        print("CPU profile of %s: %s" % (name, lines[0] if lines else "none"))
        continue
    info = {l.split()[0]: l.split()[1] for l in lines if l.split()[0] in
            ("frames", "cpu_ticks", "ticks_per_second")}
    frames, ticks, hz = int(info["frames"]), int(info["cpu_ticks"]), int(info["ticks_per_second"])
    cpu_ms = 1000.0 * ticks / hz / max(frames, 1)
    dsos = [l.split(None, 2)[1:] for l in lines if l.startswith("dso ")]
    print("CPU profile of %s over 5 s: %d frames, %.2f ms of CPU per frame; by object:"
          % (name, frames, cpu_ms))
    for share, dso in dsos[:8]:
        print("  %6.2f%%  %s" % (float(share), dso))
    if name == "kullerix":
        own = sum(float(s) for s, d in dsos if d == "kullerix")
        print("  our own code: %.2f%% of the process's CPU time, %.1f us per frame"
              % (own, own / 100 * cpu_ms * 1000))
        for l in lines:
            if l.startswith("sym "):
                share, symbol = l[4:].split(None, 1)
                print("    %6.2f%%  %s" % (float(share), symbol.strip()))
EOF
