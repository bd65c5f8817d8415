#!/usr/bin/env bash
# Builds the Qt-free parts for Windows (preset "windows": mingw-w64, static
# runtime) and runs their tests under wine, in a wine prefix made anew for
# this run. Part of scripts/test.sh; runs alone after scripts/setup.sh.
# scale-cli.exe is tested against the Linux scale-sim of the native build
# (scripts/test.sh makes it first); without it those tests are skipped.
set -euo pipefail
cd "$(dirname "$0")/.."

prefix=build/windows/wineprefix
start=$(date +%s)

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"

sim=$(sed -n 's/^SCALE_LINUX_SIM:FILEPATH=//p' build/windows/CMakeCache.txt)
if [ ! -x "$sim" ]; then
  echo "note: no Linux scale-sim at $sim: the tests of scale-cli.exe under wine are skipped" >&2
  echo "      (build it with: cmake --preset default && cmake --build --preset default --target scale-sim)" >&2
fi

# A fresh prefix each run; the test fixture creates it and starts its wine
# server (scripts/wine-prefix.sh), and stops the server at the end.
bash scripts/wine-prefix.sh down "$PWD/$prefix"
rm -rf "$prefix"
trap 'bash scripts/wine-prefix.sh down "$PWD/$prefix"' EXIT
ctest --preset windows

# The Windows archive: unpacked, its programs run under wine by themselves
# (a missing DLL would show here): dailycode.exe gives the day's code,
# scale-cli.exe its help.
zip=$(bash scripts/package-windows.sh | tail -n 1)
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"; bash scripts/wine-prefix.sh down "$PWD/$prefix"' EXIT
(cd "$unpacked" && cmake -E tar xf "$OLDPWD/$zip")
for f in README.txt dailycode.exe scale-cli.exe licences/GCC-runtime-and-libstdc++.txt \
         licences/GPL-3.txt licences/mingw-w64-runtime-and-winpthreads.txt; do
  [ -s "$unpacked"/*/"$f" ] || { echo "archive lacks $f" >&2; exit 1; }
done
bash scripts/wine-prefix.sh up "$PWD/$prefix"
run_packaged() {
  local program=$1
  shift
  WINEPREFIX="$PWD/$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    wine "$unpacked"/*/"$program" "$@" </dev/null
}
code=$(run_packaged dailycode.exe 2026-12-10 | tr -d '\r')
[ "$code" = 31461 ] || { echo "packaged dailycode.exe printed '$code', not 31461" >&2; exit 1; }
help=$(run_packaged scale-cli.exe --help) || { echo "packaged scale-cli.exe --help failed" >&2; exit 1; }
grep -q '^Usage: scale-cli' <<<"$help" || { echo "packaged scale-cli.exe --help printed no usage" >&2; exit 1; }
echo "archive $zip: complete; its dailycode.exe 2026-12-10 prints $code, its scale-cli.exe --help runs"

echo "Windows build and wine tests: $(( $(date +%s) - start )) s"
