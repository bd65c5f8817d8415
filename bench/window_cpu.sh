#!/usr/bin/env bash
# CPU of the window at the full rate of a 115200-baud line (about 600
# frames/s), result log on, on the display when there is one (e.g. under
# xvfb-run) and headless otherwise: the calibration page in front (as the
# program starts), then the weighing page with the trend over 1 and over 15
# minutes, sampling on.
# Usage: bench/window_cpu.sh [BUILD_DIR]   (default build/release)
# Environment: CPU_SECONDS (30).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
preset=$(basename "$build")
cmake --preset "$preset" >/dev/null
cmake --build "$build" -j 2 --target bench_window_cpu scale-sim >/dev/null
seconds=${CPU_SECONDS:-30}
if [ -n "${DISPLAY:-}" ]; then export QT_QPA_PLATFORM=xcb; else export QT_QPA_PLATFORM=offscreen; fi
echo "Build: $build; $(nproc) cores; Qt platform $QT_QPA_PLATFORM"
"$build/bench/bench_window_cpu" calibration 1 "$seconds"
"$build/bench/bench_window_cpu" weighing 1 "$seconds"
"$build/bench/bench_window_cpu" weighing 15 "$seconds"
