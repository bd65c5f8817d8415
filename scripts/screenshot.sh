#!/usr/bin/env bash
# Pictures of the tool's pages for the documentation. Starts scale-sim and
# the tool connected to it (as scripts/run.sh does, in a directory of its
# own) on a virtual display, clicks each page's tab as an operator would and
# saves docs/weighing-page.png, docs/place-page.png and
# docs/calibration-page.png. Options go to the simulator (default --load 2.5).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${SCALE_ON_VIRTUAL_DISPLAY:-}" ]; then
  bash scripts/setup.sh
  cmake --preset default >/dev/null
  cmake --build --preset default -j "$(nproc)" --target scale-config scale-sim
  exec xvfb-run -a -s '-screen 0 1600x1000x24' env SCALE_ON_VIRTUAL_DISPLAY=1 bash "$0" "$@"
fi

bin=build/default
run=$(mktemp -d)
sim_pid="" tool_pid=""
cleanup() {
  for pid in $tool_pid $sim_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$run"
}
trap cleanup EXIT

[ $# -gt 0 ] || set -- --load 2.5
coproc SIM { exec "$bin/tools/scale-sim/scale-sim" --log "$run/scale-sim.log" "$@"; }
sim_pid=$SIM_PID
read -r -t 10 pty <&"${SIM[0]}"

cp "$bin/src/program/scale-config" "$run/"
printf '[CommSet]\r\nCommNo=%s\r\nBaudRate=115200\r\n' "$pty" >"$run/datalink.ini"
# In Chinese, the window's own language, whatever the locale here.
HOME="$run" XDG_RUNTIME_DIR="$run" "$run/scale-config" --lang zh 2>"$run/program.err" &
tool_pid=$!

window=$(timeout 20 xdotool search --sync --onlyvisible --class scale-config | head -n 1)
for _ in $(seq 200); do [ -s "$run/Result.txt" ] && break; sleep 0.05; done
[ -s "$run/Result.txt" ] || { echo "no live weight; see $run/program.err" >&2; exit 1; }

# The page tabs stand along the left edge below the 73-pixel title band,
# 120 x 56 pixels each (src/ui/page_tab_bar.cpp), in this order.
pages=(weighing place calibration)
for i in "${!pages[@]}"; do
  xdotool mousemove --window "$window" 60 $((73 + 28 + 56 * i)) click 1
  sleep 0.7  # the click, the page and a few readings drawn
  import -window "$window" -strip "docs/${pages[$i]}-page.png"
done

# Each picture shows another page.
for a in "${pages[@]}"; do
  for b in "${pages[@]}"; do
    if [ "$a" != "$b" ] && cmp -s "docs/$a-page.png" "docs/$b-page.png"; then
      echo "docs/$a-page.png and docs/$b-page.png are the same picture" >&2
      exit 1
    fi
  done
done
ls -l docs/*-page.png
