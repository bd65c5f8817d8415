#!/usr/bin/env bash
# The house style (.clang-format) over the C++ sources of src/ tests/ tools/
# bench/ fuzz/: applied in place, or with --check only reported (what
# scripts/test.sh runs; exit 1 when a file differs).
# Usage: scripts/format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- \
  'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tools/*.cpp' 'tools/*.h' \
  'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' | sort -u)
existing=()
for f in "${files[@]}"; do [ -f "$f" ] && existing+=("$f"); done
if [ "${1:-}" = "--check" ]; then
  clang-format --style=file --dry-run --Werror "${existing[@]}"
else
  clang-format --style=file -i "${existing[@]}"
fi
