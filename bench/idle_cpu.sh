#!/usr/bin/env bash
# CPU of the tool with its port open and a quiet line (scale-sim at rate 0:
# no measurement frames, nothing to answer): the window (scale-config) and
# `scale-cli watch` (with a reply time-out long enough to wait through it),
# each over IDLE_SECONDS after it has settled. Both should sleep: the goal is
# about 0 (the kernel counts CPU in ticks of 1000/CLK_TCK ms).
# Usage: bench/idle_cpu.sh [BUILD_DIR]   (default build/release)
# Environment: IDLE_SECONDS (10), RUNS (5).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if [ ! -x "$build/src/program/scale-config" ] || [ ! -x "$build/src/cli/scale-cli" ] ||
   [ ! -x "$build/tools/scale-sim/scale-sim" ]; then
  preset=$(basename "$build")
  cmake --preset "$preset" >/dev/null
  cmake --build "$build" -j 2 --target scale-config scale-cli scale-sim
fi
seconds=${IDLE_SECONDS:-10}
runs=${RUNS:-5}
hz=$(getconf CLK_TCK)
if [ -n "${DISPLAY:-}" ]; then platform=xcb; else platform=offscreen; fi
work=$(mktemp -d)
sim_pid="" tool_pid=""
# A watch still waiting for its first reading may not end on SIGTERM: it
# gets 3 s, then SIGKILL.
stop_pair() {
  if [ -n "$tool_pid" ]; then
    kill "$tool_pid" 2>/dev/null || true
    for _ in $(seq 30); do kill -0 "$tool_pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$tool_pid" 2>/dev/null || true
    wait "$tool_pid" 2>/dev/null || true
  fi
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
  tool_pid="" sim_pid=""
}
trap 'stop_pair; rm -rf "$work"' EXIT

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# Starts a quiet scale-sim and PROGRAM (with ARGS) beside its datalink.ini in
# a fresh directory; prints the CPU of the program over the idle period in ms.
idle_ms() {
  local program=$1; shift
  local run; run=$(mktemp -d "$work/run.XXXX")
  coproc SIM { exec "$build/tools/scale-sim/scale-sim" --rate 0 --baud 115200 --log /dev/null; }
  sim_pid=$SIM_PID
  local pty; read -r -t 10 pty <&"${SIM[0]}"
  cp "$program" "$run/"
  printf '[CommSet]\r\nCommNo=%s\r\nBaudRate=115200\r\n' "$pty" >"$run/datalink.ini"
  HOME="$run" XDG_RUNTIME_DIR="$run" QT_QPA_PLATFORM=$platform "$run/$(basename "$program")" "$@" \
    >/dev/null 2>&1 &
  tool_pid=$!
  sleep 2 # past the opening and its requests
  if ! kill -0 "$tool_pid" 2>/dev/null; then echo "ended"; stop_pair; return; fi
  local t0; t0=$(cpu_ticks "$tool_pid")
  sleep "$seconds"
  local t1; t1=$(cpu_ticks "$tool_pid")
  echo $(( (t1 - t0) * 1000 / hz ))
  stop_pair
}

summary() {  # label values...
  local label=$1; shift
  local sorted; sorted=$(printf '%s\n' "$@" | sort -n)
  printf '%-22s min %4s  median %4s  max %4s ms CPU per %d s  (%d runs)\n' "$label" \
    "$(echo "$sorted" | head -1)" "$(echo "$sorted" | sed -n "$(( ($# + 1) / 2 ))p")" \
    "$(echo "$sorted" | tail -1)" "$seconds" "$#"
}

echo "Build: $build; $(nproc) cores; load $(cut -d' ' -f1-3 /proc/loadavg); Qt platform $platform"
window=() watch=()
for _ in $(seq "$runs"); do # interleaved
  window+=("$(idle_ms "$build/src/program/scale-config")")
  watch+=("$(idle_ms "$build/src/cli/scale-cli" --timeout 600000 watch)")
done
summary "window, idle" "${window[@]}"
summary "scale-cli watch, idle" "${watch[@]}"
