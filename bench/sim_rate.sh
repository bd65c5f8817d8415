#!/usr/bin/env bash
# Frames a second scale-sim's measurement stream delivers, against the rate
# it is set to: 40 a second, the full line at 9600 baud (50.5 a second) and
# the full line at 921600 baud (4850 a second; the stream once stopped at
# about 865 whatever the line). The tests check only that the stream is never
# faster than set; how close to it a machine keeps is measured here.
# Usage: bench/sim_rate.sh [BUILD_DIR]   (default build/release)
# Environment: SECONDS_EACH (3).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if [ ! -x "$build/tools/scale-sim/scale-sim" ]; then
  cmake --preset "$(basename "$build")" >/dev/null
  cmake --build "$build" -j 2 --target scale-sim
fi
seconds=${SECONDS_EACH:-3}
frame=19 # bytes of a measurement frame

measure() {
  local label=$1 expected=$2; shift 2
  local pty bytes
  coproc SIM { exec "$build/tools/scale-sim/scale-sim" --log /dev/null "$@"; }
  read -r -t 10 pty <&"${SIM[0]}"
  stty -F "$pty" raw -echo
  bytes=$(timeout "$seconds" cat "$pty" | wc -c || true)
  echo quit >&"${SIM[1]}"
  wait "$SIM_PID" 2>/dev/null || true
  awk -v label="$label" -v b="$bytes" -v f="$frame" -v s="$seconds" -v e="$expected" \
    'BEGIN { printf "%-22s %8.1f frames/s (set: %s)\n", label, b / f / s, e }'
}

measure "rate 40" 40 --rate 40
measure "rate max, 9600 baud" 50.5 --rate max --baud 9600
measure "rate max, 921600 baud" 4850 --rate max --baud 921600
