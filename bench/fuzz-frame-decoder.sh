#!/bin/sh
# Fuzzes the parser's frame decoder with libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on) for a bounded time. Needs clang. Not part of CI.
#
#   bench/fuzz-frame-decoder.sh [SECONDS]     (default 60)
#
# Builds into build-fuzz/ with its own configure; a crash leaves its input as
# build-fuzz/crash-* and the script exits non-zero.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
command -v clang++ >/dev/null || { echo "clang++ is not installed (apt-get install clang)" >&2; exit 2; }

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTRAWLER_BUILD_GUI=OFF -DTRAWLER_FUZZ=ON >/dev/null
cmake --build build-fuzz --target frame_decoder_fuzz -j2

corpus=build-fuzz/frame-decoder-corpus
mkdir -p "$corpus"
cd build-fuzz
./bin/frame_decoder_fuzz -max_total_time="$seconds" -max_len=256 -print_final_stats=1 \
    frame-decoder-corpus 2>&1 | grep -E '^(Done|stat::|==|SUMMARY|artifact)' || true
# libFuzzer writes crash-*/leak-*/timeout-* files next to itself on a finding.
if ls crash-* leak-* timeout-* >/dev/null 2>&1; then
    echo "fuzzing found a failing input: $(ls crash-* leak-* timeout-* | tr '\n' ' ')" >&2
    exit 1
fi
echo "no failure in ${seconds}s"
