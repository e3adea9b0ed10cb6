#!/bin/sh
# Fuzzes a reader of untrusted bytes with libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on) for a bounded time. Needs clang. Not part of CI.
#
#   bench/fuzz.sh [TARGET] [SECONDS]
#
# TARGET: frame-decoder (default; any bytes as one frame) or pcapng-reader
# (any bytes as a whole pcapng file; the corpus starts from the pcapng files
# under ../shared/captures when they are there). SECONDS defaults to 60.
# Builds into build-fuzz/ with its own configure; a failing input is left as
# build-fuzz/crash-* (or leak-*, timeout-*) and the script exits non-zero.
set -eu
cd "$(dirname "$0")/.."
target=${1:-frame-decoder}
seconds=${2:-60}
case $target in
  frame-decoder) binary=frame_decoder_fuzz; max_len=256 ;;
  pcapng-reader) binary=pcapng_reader_fuzz; max_len=65536 ;;
  *) echo "unknown target $target (frame-decoder, pcapng-reader)" >&2; exit 2 ;;
esac
command -v clang++ >/dev/null || { echo "clang++ is not installed (apt-get install clang)" >&2; exit 2; }

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTRAWLER_BUILD_GUI=OFF -DTRAWLER_FUZZ=ON >/dev/null
cmake --build build-fuzz --target "$binary" -j2

corpus=build-fuzz/$target-corpus
mkdir -p "$corpus"
if [ "$target" = pcapng-reader ] && [ -d ../shared/captures ]; then
  find ../shared/captures -name '*.pcapng' -size -64k -exec cp {} "$corpus"/ \;
fi
cd build-fuzz
./bin/$binary -max_total_time="$seconds" -max_len="$max_len" -print_final_stats=1 \
    "$target-corpus" 2>&1 | grep -E '^(Done|stat::|==|SUMMARY|artifact)' || true
# libFuzzer writes crash-*/leak-*/timeout-* files next to itself on a finding.
if ls crash-* leak-* timeout-* >/dev/null 2>&1; then
    echo "fuzzing found a failing input: $(ls crash-* leak-* timeout-* | tr '\n' ' ')" >&2
    exit 1
fi
echo "no failure in ${seconds}s"
