#!/usr/bin/env bash
# Builds the Windows programs (preset "windows") and packs them into
#   build/windows/scale-tool-<version>-windows-x64.zip
# with a README for Windows users and the licence texts of the runtime
# libraries linked into them. Run scripts/setup.sh first.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/windows
cmake --preset windows >/dev/null

# The programs for whoever issues codes and for production lines and
# service scripts, each with the folder the build makes it in.
declare -A folders=([dailycode]=tools/dailycode [scale-cli]=src/cli)
programs=(dailycode scale-cli)
cmake --build --preset windows --target "${programs[@]}"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name="scale-tool-$version-windows-x64"
stage="$build/package/$name"
rm -rf "$build/package"
mkdir -p "$stage/licences"

for program in "${programs[@]}"; do
  built="$build/${folders[$program]}/$program.exe"
  [ -f "$built" ] || { echo "package-windows: $built was not built" >&2; exit 1; }
  x86_64-w64-mingw32-strip -o "$stage/$program.exe" "$built"
done

# Text files with Windows line ends, so Notepad shows them right; the
# README, which holds Chinese examples, begins with the UTF-8 mark, by
# which every Notepad reads it as UTF-8 and not in the ANSI code page.
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }
{ printf '\357\273\277'; sed 's/\r*$/\r/' packaging/windows/README.txt; } >"$stage/README.txt"
crlf /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licences/GCC-runtime-and-libstdc++.txt"
crlf /usr/share/common-licenses/GPL-3 "$stage/licences/GPL-3.txt"
crlf /usr/share/doc/mingw-w64-common/copyright "$stage/licences/mingw-w64-runtime-and-winpthreads.txt"

zip="$build/$name.zip"
rm -f "$zip"
(cd "$build/package" && cmake -E tar cf "../$name.zip" --format=zip "$name")
echo "$zip"
