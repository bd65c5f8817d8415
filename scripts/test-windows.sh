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

# The Windows archive: unpacked, its program gives the day's code under wine.
zip=$(bash scripts/package-windows.sh | tail -n 1)
unpacked=$(mktemp -d)
(cd "$unpacked" && cmake -E tar xf "$OLDPWD/$zip")
for f in README.txt dailycode.exe licences/GCC-runtime-and-libstdc++.txt licences/GPL-3.txt \
         licences/mingw-w64-runtime-and-winpthreads.txt; do
  [ -s "$unpacked"/*/"$f" ] || { echo "archive lacks $f" >&2; exit 1; }
done
bash scripts/wine-prefix.sh up "$PWD/$prefix"
code=$(WINEPREFIX="$PWD/$prefix" WINEDEBUG=-all wine "$unpacked"/*/dailycode.exe 2026-12-10 </dev/null | tr -d '\r')
rm -rf "$unpacked"
[ "$code" = 31461 ] || { echo "packaged dailycode.exe printed '$code', not 31461" >&2; exit 1; }
echo "archive $zip: complete; its dailycode.exe 2026-12-10 prints $code"

echo "Windows build and wine tests: $(( $(date +%s) - start )) s"
