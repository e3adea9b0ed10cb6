#!/usr/bin/env bash
# Live capture under a ping flood on the loopback interface (root only).
#
#   bench/capture-flood.sh [BUILD_DIR] [PINGS]    (defaults: build/, 200000)
#
# Starts `trawler-cli capture` on lo with a filter for one address of
# 127.0.0.0/8, floods that address with `ping -f -c PINGS`, stops the capture
# with SIGINT as soon as ping has ended, and prints:
#   - the flood's rate (echo requests and replies per second on the wire),
#   - the packets the capture wrote against the requests and replies ping
#     counted (every one must be in the file: lost must be 0),
#   - the kernel's drop count when it reported any,
# once into a single file and once with --rotate-mb 1, where the sum of the
# per-file counts is compared instead.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath -m "${1:-$ROOT/build}")
PINGS=${2:-200000}
CLI=$BUILD/bin/trawler-cli
ADDRESS=127.$(( ($$ >> 8) & 255 )).$(( $$ & 255 )).7

die() { echo "capture-flood: $*" >&2; exit 1; }
[[ -x $CLI ]] || die "$CLI not found; build it first: cmake --build $BUILD --target trawler-cli"
[[ $(id -u) == 0 ]] || die "capturing on lo needs root"
command -v ping >/dev/null || die "ping not found (Debian package iputils-ping)"

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

run() { # NAME [capture options...]
    local name=$1; shift
    local dir=$WORK/$name
    mkdir -p "$dir"
    "$CLI" capture "$dir" -i lo -f "icmp and host $ADDRESS" "$@" >"$WORK/$name.out" 2>"$WORK/$name.err" &
    local capture=$!
    # The capture is ready once its first file exists.
    for _ in $(seq 200); do
        compgen -G "$dir/*.cap" >/dev/null && break
        sleep 0.05
    done
    local start end
    start=$(date +%s.%N)
    ping -f -q -n -c "$PINGS" "$ADDRESS" >"$WORK/$name.ping" 2>&1 || true
    end=$(date +%s.%N)
    kill -INT "$capture"
    local status=0
    wait "$capture" || status=$?

    local sent received written files lost rate
    sent=$(sed -n 's/^\([0-9]*\) packets transmitted.*/\1/p' "$WORK/$name.ping")
    received=$(sed -n 's/.* \([0-9]*\) received.*/\1/p' "$WORK/$name.ping")
    written=$(awk '/ packets?$/ { sum += $1 } END { print sum + 0 }' "$WORK/$name.out")
    files=$(grep -c ' packets\?$' "$WORK/$name.out" || true)
    lost=$(( sent + received - written ))
    rate=$(awk -v n=$(( sent + received )) -v a="$start" -v b="$end" 'BEGIN { printf "%.0f", n / (b - a) }')
    printf '%-10s exit %d  flood %s requests + %s replies at %s packets/s  written %s in %s file(s)  lost %d\n' \
        "$name" "$status" "$sent" "$received" "$rate" "$written" "$files" "$lost"
    grep -h "dropped" "$WORK/$name.err" | sed 's/^/           /' || true
    (( status == 0 )) || sed 's/^/           /' "$WORK/$name.err"
}

echo "capture-flood: $PINGS echo requests to $ADDRESS on lo (load average $(cut -d' ' -f1 /proc/loadavg), $(nproc) cores)"
run single
run rotating --rotate-mb 1
