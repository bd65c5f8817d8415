#!/usr/bin/env bash
# scale-cli on several boards at once: `apply` then `verify` of a golden
# snapshot on one simulated board, and on BOARDS boards (one scale-sim each,
# on its own pseudo-terminal) given as repeated --port options.
# Goal: all boards in at most 1.5 x the time of one. Prints the median of
# RUNS runs of each and their ratio.
# Usage: bench/several_boards.sh [BUILD_DIR]   (default build/release)
# Environment: BOARDS (8), RUNS (5).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if [ ! -x "$build/src/cli/scale-cli" ] || [ ! -x "$build/tools/scale-sim/scale-sim" ]; then
  preset=$(basename "$build")
  cmake --preset "$preset" >/dev/null
  cmake --build "$build" -j 2 --target scale-cli scale-sim
fi
boards=${BOARDS:-8}
runs=${RUNS:-5}
work=$(mktemp -d)
sims=()
trap 'for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"' EXIT
export HOME=$work XDG_DATA_HOME=$work

cp "$build/src/cli/scale-cli" "$work/"
ports=()
for i in $(seq "$boards"); do
  "$build/tools/scale-sim/scale-sim" --log /dev/null --link "$work/board$i" >"$work/sim$i.out" &
  sims+=($!)
done
for i in $(seq "$boards"); do
  until [ -s "$work/sim$i.out" ]; do sleep 0.05; done
  ports+=(--port "$(head -1 "$work/sim$i.out")")
done
cli=("$work/scale-cli" --baud 115200)
"${cli[@]}" "${ports[@]:0:2}" snapshot -o "$work/golden.json" >/dev/null

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# The median wall time of RUNS runs of apply then verify on the given ports.
median_ms() {
  local times=()
  for _ in $(seq "$runs"); do
    local start; start=$(now_ms)
    "${cli[@]}" "$@" apply "$work/golden.json" >/dev/null
    "${cli[@]}" "$@" verify "$work/golden.json" >/dev/null
    times+=($(( $(now_ms) - start )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}

one=$(median_ms "${ports[@]:0:2}")
all=$(median_ms "${ports[@]}")
printf 'apply + verify, 1 board: %d ms   %d boards at once: %d ms   ratio %s (goal <= 1.5)\n' \
  "$one" "$boards" "$all" "$(awk -v a="$all" -v o="$one" 'BEGIN { printf "%.2f", a / o }')"
