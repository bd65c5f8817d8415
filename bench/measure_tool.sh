#!/usr/bin/env bash
# Measures the tool against scale-sim, with the result log on, on the display
# when there is one (e.g. under xvfb-run) and headless otherwise:
#   - CPU of the tool while the simulator streams measurement frames at the
#     full rate of a 115200-baud line (about 600 frames/s), and at 10/s;
#   - time from the start of the program to the first live weight (the first
#     result-log line), over several starts;
#   - resident memory while streaming at the full rate (growth after the
#     first minute).
# The result log is kept whole (maxsizeResult=0), as its lines are counted.
# Usage: bench/measure_tool.sh [BUILD_DIR]   (default build/release)
# Environment: CPU_SECONDS (30), SOAK_SECONDS (600, 0 skips), STARTS (5).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if [ ! -x "$build/src/program/scale-config" ] || [ ! -x "$build/tools/scale-sim/scale-sim" ]; then
  preset=$(basename "$build")
  cmake --preset "$preset" >/dev/null
  cmake --build "$build" -j 2 --target scale-config scale-sim
fi
cpu_seconds=${CPU_SECONDS:-30}
soak_seconds=${SOAK_SECONDS:-600}
starts=${STARTS:-5}
hz=$(getconf CLK_TCK)
if [ -n "${DISPLAY:-}" ]; then platform=xcb; else platform=offscreen; fi
work=$(mktemp -d)
sim_pid="" tool_pid=""
stop_pair() {
  [ -n "$tool_pid" ] && kill "$tool_pid" 2>/dev/null && wait "$tool_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
  tool_pid="" sim_pid=""
}
trap 'stop_pair; rm -rf "$work"' EXIT

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }

# Starts scale-sim at a frame rate and the tool in a fresh directory; sets
# sim_pid, tool_pid, run and started (ms).
start_pair() {
  run=$(mktemp -d "$work/run.XXXX")
  coproc SIM { exec "$build/tools/scale-sim/scale-sim" --rate "$1" --baud 115200 --load 2.5 --log /dev/null; }
  sim_pid=$SIM_PID
  read -r -t 10 pty <&"${SIM[0]}"
  cp "$build/src/program/scale-config" "$run/"
  printf '[CommSet]\r\nCommNo=%s\r\nBaudRate=115200\r\n[SysSet]\r\nmaxsizeResult=0\r\n' "$pty" >"$run/datalink.ini"
  started=$(now_ms)
  HOME="$run" XDG_RUNTIME_DIR="$run" QT_QPA_PLATFORM=$platform "$run/scale-config" 2>/dev/null &
  tool_pid=$!
}

# Milliseconds from the start until the first result-log line.
wait_first_weight() {
  until [ -s "$run/Result.txt" ]; do
    if [ $(( $(now_ms) - started )) -gt 10000 ]; then echo "no weight within 10 s" >&2; return 1; fi
    sleep 0.002
  done
  echo $(( $(now_ms) - started ))
}

measure_cpu() {  # rate label
  start_pair "$1"
  wait_first_weight >/dev/null
  sleep 1
  local t0 l0 t1 l1
  t0=$(cpu_ticks "$tool_pid"); l0=$(wc -l <"$run/Result.txt")
  sleep "$cpu_seconds"
  t1=$(cpu_ticks "$tool_pid"); l1=$(wc -l <"$run/Result.txt")
  awk -v t=$((t1 - t0)) -v hz="$hz" -v s="$cpu_seconds" -v f=$((l1 - l0)) -v label="$2" \
    'BEGIN { printf "CPU at %s: %.1f %% of one core (%d frames shown, %.0f/s, over %d s)\n", label, 100 * t / hz / s, f, f / s, s }'
  stop_pair
}

echo "Build: $build; $(nproc) cores; Qt platform $platform"
measure_cpu max "the full line rate"
measure_cpu 10 "10 frames/s"

times=()
for _ in $(seq "$starts"); do
  start_pair 10
  times+=("$(wait_first_weight)")
  stop_pair
done
echo "Start to first live weight (ms), $starts starts: ${times[*]}"

if [ "$soak_seconds" -gt 0 ]; then
  start_pair max
  wait_first_weight >/dev/null
  sleep 60
  first=$(rss_kb "$tool_pid")
  echo "RSS after 1 min at the full rate: $first kB"
  for ((elapsed = 60; elapsed < soak_seconds; elapsed += 60)); do
    sleep 60
    echo "RSS after $((elapsed / 60 + 1)) min: $(rss_kb "$tool_pid") kB"
  done
  last=$(rss_kb "$tool_pid")
  echo "RSS growth after the first minute: $((last - first)) kB ($(wc -l <"$run/Result.txt") frames shown)"
  stop_pair
fi
