#!/usr/bin/env bash
# Measures the Win32 backend under wine (bench/win32_serial_bench.cpp):
# receive throughput next to a plain ReadFile loop, and the CPU of an idle
# open port over 5 s. Run scripts/setup.sh first.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset windows >/dev/null
cmake --build --preset windows --target bench_win32_serial pty_peer
prefix="$PWD/build/windows/wineprefix"
bash scripts/wine-prefix.sh up "$prefix"
trap 'bash scripts/wine-prefix.sh down "$prefix"' EXIT
WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  build/windows/host/pty_peer wine build/windows/bench/bench_win32_serial.exe "$@"
