#!/usr/bin/env bash
# Sets up, builds and runs every test: the formatting check (clang-format,
# a dry run: scripts/format.sh applies it), the normal build, the Debian package
# (installed only in CI), the ASan+UBSan build, the ThreadSanitizer build of
# the serial component, the Windows build under wine and a bounded fuzzing
# run of the frame assembler and reply decoders.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

step() { printf '\n=== %s ===\n' "$*"; }

step "formatting (clang-format --dry-run; scripts/format.sh applies it)"
bash scripts/format.sh --check

step "build and test (default)"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

# The Debian package from the release preset: contents, menu entry, AppStream
# metadata, lintian; in CI (CI=true, a disposable machine) also installed and
# run as an ordinary user.
step "package"
bash tests/package/check_package.sh

step "build and test (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset asan -j "$jobs"

step "build and test the serial component (ThreadSanitizer)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --preset tsan -j "$jobs"

step "build for Windows and test under wine"
bash scripts/test-windows.sh

if [ -x scripts/fuzz.sh ]; then
  step "fuzz the frame assembler and reply decoders"
  bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
fi

step "all tests passed"
