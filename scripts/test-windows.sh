#!/usr/bin/env bash
# Builds the Qt-free parts for Windows (preset "windows": mingw-w64, static
# runtime) and runs their tests under wine, in a wine prefix made anew for
# this run. Part of scripts/test.sh; runs alone after scripts/setup.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

prefix=build/windows/wineprefix
start=$(date +%s)

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"

# A fresh prefix each run; the test fixture creates it and starts its wine
# server (scripts/wine-prefix.sh), and stops the server at the end.
bash scripts/wine-prefix.sh down "$PWD/$prefix"
rm -rf "$prefix"
trap 'bash scripts/wine-prefix.sh down "$PWD/$prefix"' EXIT
ctest --preset windows

echo "Windows build and wine tests: $(( $(date +%s) - start )) s"
