#!/usr/bin/env bash
# A flood the window cannot keep up with, through the real program: a
# writer fills a pseudo-terminal with measurement frames (2.5 kg) as fast
# as the line takes them for FLOOD_SECONDS, then writes a few frames of a
# last value (7.7777 kg) and stops. Reported:
#   - the tool's resident memory when the flood starts, its peak during the
#     flood and its growth;
#   - the time from the end of the flood until the last value is shown (its
#     result-log line is written; the display takes the same reading);
#   - frames handled over the flood (result-log lines).
# The result log is kept whole (maxsizeResult=0), as its lines are counted.
# A tool whose memory passes RSS_LIMIT_MB ends the flood early (it would
# only grow on).
# Usage: bench/flood_memory.sh [BUILD_DIR]   (default build/release)
# Environment: FLOOD_SECONDS (20), RSS_LIMIT_MB (4000), SHOW_WAIT_SECONDS (30).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if [ ! -x "$build/src/program/scale-config" ]; then
  cmake --preset "$(basename "$build")" >/dev/null
  cmake --build "$build" -j 2 --target scale-config
fi
flood_seconds=${FLOOD_SECONDS:-20}
rss_limit_kb=$(( ${RSS_LIMIT_MB:-4000} * 1024 ))
show_wait=${SHOW_WAIT_SECONDS:-30}
if [ -n "${DISPLAY:-}" ]; then platform=xcb; else platform=offscreen; fi
run=$(mktemp -d)
writer_pid="" tool_pid=""
cleanup() {
  [ -n "$tool_pid" ] && kill "$tool_pid" 2>/dev/null && wait "$tool_pid" 2>/dev/null || true
  [ -n "$writer_pid" ] && kill "$writer_pid" 2>/dev/null && wait "$writer_pid" 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT

# The writer: waits for the tool's parameter request, floods until the
# time is up or the file "stop" appears, writes the last value, says when
# it was done (ns since the epoch) and keeps the pty open until told to end.
read -r -d '' writer_py <<'PY' || true
import os, sys, time, tty
seconds, stop = float(sys.argv[1]), sys.argv[2]
master, slave = os.openpty()
tty.setraw(slave)
print(os.ttyname(slave), flush=True)
def frame(live_ad):
    payload = (100000).to_bytes(4, "little") + live_ad.to_bytes(4, "little") + (10).to_bytes(2, "little") + bytes(6)
    f = bytes([0xAA, 0x10]) + payload
    return f + bytes([(sum(f) + 1) & 0xFF])
seen = b""
while b"\xaa\x01\xf6" not in seen:
    seen += os.read(master, 64)
block = frame(25000) * 1000
print("START", time.time_ns(), flush=True)
end = time.monotonic() + seconds
while time.monotonic() < end and not os.path.exists(stop):
    os.write(master, block)
os.write(master, frame(77777) * 10)
print("END", time.time_ns(), flush=True)
sys.stdin.readline()
PY
coproc WRITER { exec python3 -u -c "$writer_py" "$flood_seconds" "$run/stop"; }
writer_pid=$WRITER_PID
read -r -t 10 pty <&"${WRITER[0]}"

cp "$build/src/program/scale-config" "$run/"
printf '[CommSet]\r\nCommNo=%s\r\nBaudRate=115200\r\n[SysSet]\r\nmaxsizeResult=0\r\n' "$pty" >"$run/datalink.ini"
HOME="$run" XDG_RUNTIME_DIR="$run" QT_QPA_PLATFORM=$platform "$run/scale-config" 2>/dev/null &
tool_pid=$!

rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$tool_pid/status"; }
lines() { [ -f "$run/Result.txt" ] && wc -l <"$run/Result.txt" || echo 0; }
now_ns() { date +%s%N; }

read -r -t 20 word started <&"${WRITER[0]}"
[ "$word" = START ] || { echo "the tool did not open the port" >&2; exit 1; }
rss_start=$(rss_kb)
rss_peak=$rss_start
# Sampled ten times a second until the writer says it is done.
ended=""
while [ -z "$ended" ]; do
  if read -r -t 0.1 word when <&"${WRITER[0]}"; then
    [ "$word" = END ] && ended=$when
  fi
  rss=$(rss_kb)
  [ "$rss" -gt "$rss_peak" ] && rss_peak=$rss
  if [ "$rss" -gt "$rss_limit_kb" ] && [ ! -e "$run/stop" ]; then
    echo "resident memory passed ${RSS_LIMIT_MB:-4000} MB: flood ended early" >&2
    touch "$run/stop"
  fi
done
rss_end=$(rss_kb)
flood_ms=$(( (ended - started) / 1000000 ))

shown=""
deadline=$(( ended + show_wait * 1000000000 ))
while [ "$(now_ns)" -lt "$deadline" ]; do
  if tail -c 64 "$run/Result.txt" 2>/dev/null | grep -q '7\.7777'; then shown=$(now_ns); break; fi
  sleep 0.005
done
rss_after=$(rss_kb)

echo "flood: ${flood_ms} ms, $(lines) frames shown in all"
echo "RSS at the start of the flood: ${rss_start} kB; peak during it: ${rss_peak} kB; at its end: ${rss_end} kB"
echo "RSS growth over the flood: $(( (rss_peak - rss_start) / 1024 )) MB (peak minus start)"
if [ -n "$shown" ]; then
  echo "last value shown $(( (shown - ended) / 1000000 )) ms after the flood ended (RSS then ${rss_after} kB)"
else
  echo "last value not shown within ${show_wait} s of the end of the flood (RSS then ${rss_after} kB)"
fi
[ -n "${WRITER[1]:-}" ] && echo done >&"${WRITER[1]}" || true
