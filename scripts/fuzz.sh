#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz preset, clang) and runs each for the
# given number of seconds (default 60), starting from the seeds in
# fuzz/corpus. Fails on any crash, sanitizer report, leak or hang.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
build_dir="${FUZZ_BUILD_DIR:-build/fuzz}"

cmake --preset fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" --target fuzz_frames fuzz_telnet -j "$(nproc)"

# New inputs go to a scratch directory; the committed seeds stay as they are.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/frames" "$scratch/telnet"

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
"$build_dir/fuzz/fuzz_frames" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$build_dir/" "$scratch/frames" fuzz/corpus
"$build_dir/fuzz/fuzz_telnet" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$build_dir/" "$scratch/telnet" fuzz/corpus_telnet
