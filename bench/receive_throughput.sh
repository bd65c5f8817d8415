#!/usr/bin/env bash
# End-to-end receive throughput of the real program: a writer floods a
# pseudo-terminal with measurement frames as fast as the tool takes them,
# with the result log on; the frames handled per second are the result-log
# lines written per second. A 115200-baud line carries 606 frames/s, a
# 921600-baud one 4851.
# The result log is kept whole (maxsizeResult=0), as its lines are counted.
# Usage: bench/receive_throughput.sh [BUILD_DIR]   (default build/release)
# Environment: SECONDS_MEASURED (10).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if [ ! -x "$build/src/program/scale-config" ]; then
  cmake --preset "$(basename "$build")" >/dev/null
  cmake --build "$build" -j 2 --target scale-config
fi
measured=${SECONDS_MEASURED:-10}
if [ -n "${DISPLAY:-}" ]; then platform=xcb; else platform=offscreen; fi
run=$(mktemp -d)
writer_pid="" tool_pid=""
cleanup() {
  [ -n "$tool_pid" ] && kill "$tool_pid" 2>/dev/null && wait "$tool_pid" 2>/dev/null || true
  [ -n "$writer_pid" ] && kill "$writer_pid" 2>/dev/null && wait "$writer_pid" 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT

# The writer: a pty whose far end gets measurement frames (2.5 kg) without pause.
coproc WRITER {
  exec python3 -u - <<'PY'
import os, tty
master, slave = os.openpty()
tty.setraw(slave)
print(os.ttyname(slave), flush=True)
payload = (100000).to_bytes(4, "little") + (25000).to_bytes(4, "little") + (10).to_bytes(2, "little") + bytes(6)
frame = bytes([0xAA, 0x10]) + payload
frame += bytes([(sum(frame) + 1) & 0xFF])
block = frame * 1000
while True:
    os.write(master, block)
PY
}
writer_pid=$WRITER_PID
read -r -t 10 pty <&"${WRITER[0]}"

cp "$build/src/program/scale-config" "$run/"
printf '[CommSet]\r\nCommNo=%s\r\nBaudRate=115200\r\n[SysSet]\r\nmaxsizeResult=0\r\n' "$pty" >"$run/datalink.ini"
HOME="$run" XDG_RUNTIME_DIR="$run" QT_QPA_PLATFORM=$platform "$run/scale-config" 2>/dev/null &
tool_pid=$!

lines() { [ -f "$run/Result.txt" ] && wc -l <"$run/Result.txt" || echo 0; }
for _ in $(seq 100); do [ "$(lines)" -gt 0 ] && break; sleep 0.1; done
sleep 1
hz=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$tool_pid/stat"; }
first=$(lines) cpu_first=$(cpu) started=$(date +%s%N)
sleep "$measured"
last=$(lines) cpu_last=$(cpu) ended=$(date +%s%N)
elapsed_ms=$(( (ended - started) / 1000000 ))
rate=$(( (last - first) * 1000 / elapsed_ms ))
cpu_percent=$(( (cpu_last - cpu_first) * 100 * 1000 / hz / elapsed_ms ))
echo "frames handled per second: $rate  ($(( rate / 606 ))x a 115200-baud line, tool CPU ${cpu_percent}% of a core)"
