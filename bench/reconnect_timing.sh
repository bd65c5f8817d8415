#!/usr/bin/env bash
# A lost and returning device with the real program: CPU of the tool while
# it waits for the device, and the time from the device's return to the
# first live weight again (the first new result-log line).
# Usage: bench/reconnect_timing.sh [BUILD_DIR]   (default build/release)
# Environment: WAIT_SECONDS (60).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if [ ! -x "$build/src/program/scale-config" ] || [ ! -x "$build/tools/scale-sim/scale-sim" ]; then
  cmake --preset "$(basename "$build")" >/dev/null
  cmake --build "$build" -j 2 --target scale-config scale-sim
fi
waiting=${WAIT_SECONDS:-60}
if [ -n "${DISPLAY:-}" ]; then platform=xcb; else platform=offscreen; fi
run=$(mktemp -d)
link="$run/scale"
sim_pid="" tool_pid=""
stop_sim() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true; sim_pid=""; }
cleanup() {
  stop_sim
  [ -n "$tool_pid" ] && kill "$tool_pid" 2>/dev/null && wait "$tool_pid" 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT
start_sim() {
  "$build/tools/scale-sim/scale-sim" --link "$link" --rate 10 --load 2.5 --log /dev/null </dev/null >/dev/null &
  sim_pid=$!
}
lines() { [ -f "$run/Result.txt" ] && wc -l <"$run/Result.txt" || echo 0; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

start_sim
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
cp "$build/src/program/scale-config" "$run/"
printf '[CommSet]\r\nCommNo=%s\r\nBaudRate=115200\r\n[SysSet]\r\nmaxsizeResult=0\r\n' "$link" >"$run/datalink.ini"
HOME="$run" XDG_RUNTIME_DIR="$run" QT_QPA_PLATFORM=$platform "$run/scale-config" 2>/dev/null &
tool_pid=$!
for _ in $(seq 100); do [ "$(lines)" -gt 0 ] && break; sleep 0.1; done

stop_sim
sleep 1
hz=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$tool_pid/stat"; }
before=$(cpu)
sleep "$waiting"
after=$(cpu)
echo "CPU while waiting ${waiting} s for the device: $(( (after - before) * 1000 / hz )) ms"

count=$(lines)
start_sim
back=$(now_ms)
until [ "$(lines)" -gt "$count" ]; do
  if [ $(( $(now_ms) - back )) -gt 10000 ]; then echo "no weight within 10 s of the return" >&2; exit 1; fi
  sleep 0.01
done
echo "device back to the first live weight: $(( $(now_ms) - back )) ms"
