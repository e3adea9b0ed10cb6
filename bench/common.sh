# Shared by the benchmark scripts: where the build and its tools are, and the
# generated one-million-frame bulk capture they measure. Sourced with the
# script's BUILD_DIR argument (default: build).
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$(realpath -m "${1:-$ROOT/build}")
BIN=$BUILD/bin
CAPGEN=$BIN/trawler-capgen
CLI=$BIN/trawler-cli
SEED=20240501
FRAMES=1000000
CACHE=$BUILD/bench
CAPTURE=$CACHE/bulk-$FRAMES-seed$SEED.pcap

# FILE FRAMES [SEED]: a bulk capture, made again when missing or older than
# the generator.
make_capture() {
    mkdir -p "$(dirname "$1")"
    if [[ ! -s $1 || $CAPGEN -nt $1 ]]; then
        echo "Generating $1 ..."
        "$CAPGEN" --scenario bulk --seed "${3:-$SEED}" --frames "$2" -o "$1" >/dev/null
    fi
}
