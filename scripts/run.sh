#!/usr/bin/env bash
# Sets up, builds, and starts the tool connected to the controller simulator.
#
# The tool runs from a directory of its own (build/run/, or $SCALE_RUN_DIR)
# with its own datalink.ini pointing at the simulator's pseudo-terminal and
# HOME set there, so no real serial device and no setting of yours is
# touched. The simulator stops when the tool exits.
#
# Options are passed to the simulator, e.g. `bash scripts/run.sh --load 12.5`
# (see `build/default/tools/scale-sim/scale-sim --help`).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target scale-config scale-sim

bin=build/default
run=${SCALE_RUN_DIR:-build/run}
mkdir -p "$run"
run=$(cd "$run" && pwd)

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: run it on a desktop, or under a virtual one:" >&2
  echo "  xvfb-run -s '-screen 0 1600x1000x24' bash scripts/run.sh" >&2
  exit 1
fi

# The simulator prints its pseudo-terminal's path as its first line.
coproc SIM { exec "$bin/tools/scale-sim/scale-sim" --load 2.5 --log "$run/scale-sim.log" "$@"; }
sim_pid=$SIM_PID
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
if ! read -r -t 10 pty <&"${SIM[0]}"; then
  echo "scale-sim did not start; see $run/scale-sim.log" >&2
  exit 1
fi

cp "$bin/src/program/scale-config" "$run/"
printf '[CommSet]\r\nCommNo=%s\r\nBaudRate=115200\r\n' "$pty" >"$run/datalink.ini"
echo "scale-sim on $pty; the tool runs in $run (logs there too)."
HOME="$run" "$run/scale-config"
