#!/usr/bin/env bash
# Parser throughput against tshark on the same capture.
#
#   bench/parse-bench.sh [BUILD_DIR]        (default: build/ under the repository)
#
# Generates (once, cached in BUILD_DIR/bench/) a 1,000,000-frame capture of
# mixed LAN traffic with a fixed seed, then prints from one run each:
#   - our frames per second for `trawler-cli parse FILE DB` into a fresh
#     database (`trawler-cli create` + `trawler-cli init`),
#   - tshark's frames per second extracting the same fields to /dev/null,
#   - their ratio, and our peak resident memory (also on a 100,000-frame
#     capture, to show that it does not grow with the file).
# The file is read once beforehand so both tools read it from the page cache.
set -euo pipefail

source "$(dirname "$0")/common.sh" "${1:-}"
SMALL_FRAMES=100000
SMALL_CAPTURE=$CACHE/bulk-$SMALL_FRAMES-seed$SEED.pcap
TARGET_FPS=700000
TARGET_RATIO=15
TARGET_RSS_MB=64

die() { echo "parse-bench: $*" >&2; exit 1; }

[[ -x $CLI ]] || die "$CLI not found; build it first: cmake --build $BUILD --target trawler-cli"
HAVE_PARSE=1
if ! "$CLI" parse --help >/dev/null 2>&1; then
    HAVE_PARSE=0
    echo "NOTE: trawler-cli has no 'parse' command yet (the parser is still being written);"
    echo "      only tshark's figure is measured. Ours, the ratio and the memory need it."
    echo
fi
[[ -x $CAPGEN ]] || die "$CAPGEN not found; build it first: cmake --build $BUILD --target trawler-capgen"
command -v tshark >/dev/null || die "tshark not found (Debian package tshark)"
[[ -x /usr/bin/time ]] || die "/usr/bin/time not found (Debian package time)"

make_capture "$CAPTURE" "$FRAMES"
make_capture "$SMALL_CAPTURE" "$SMALL_FRAMES"

now() { date +%s.%N; }
rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", (s > 0 ? n / s : 0) }'; }
warm() { cat "$1" >/dev/null; }

SIZE_MB=$(awk -v b="$(stat -c %s "$CAPTURE")" 'BEGIN { printf "%.1f", b / 1048576 }')
echo "Capture: $CAPTURE ($FRAMES frames, $SIZE_MB MiB, bulk scenario, seed $SEED)"
echo "Machine: $(nproc) cores, $(uname -sr)"
echo

# tshark: the fields the parser stores (time, MAC and IPv4 addresses, ARP
# fields, IPv4 length and protocol, ports, ICMP type and code, SYN flag).
FIELDS=(frame.time_epoch eth.src eth.dst arp.opcode arp.src.hw_mac arp.src.proto_ipv4 arp.dst.hw_mac
        arp.dst.proto_ipv4 ip.src ip.dst ip.len ip.proto tcp.srcport tcp.dstport udp.srcport udp.dstport
        icmp.type icmp.code tcp.flags.syn)
TSHARK_ARGS=(-n -r "$CAPTURE" -T fields)
for f in "${FIELDS[@]}"; do TSHARK_ARGS+=(-e "$f"); done
warm "$CAPTURE"
TIMES=$CACHE/time.out
start=$(now)
/usr/bin/time -f '%U %S %M' -o "$TIMES" tshark "${TSHARK_ARGS[@]}" >/dev/null 2>"$CACHE/tshark.err" ||
    die "tshark failed: $(tail -3 "$CACHE/tshark.err")"
end=$(now)
TSHARK_S=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
TSHARK_CPU=$(awk '{ printf "%.2f", $1 + $2 }' "$TIMES")
TSHARK_FPS=$(rate "$FRAMES" "$TSHARK_S")
TSHARK_CPU_FPS=$(rate "$FRAMES" "$TSHARK_CPU")
printf '%-30s %8.3f s wall %9s frames/s | %7.2f s CPU %9s frames/s\n' "tshark -T fields (${#FIELDS[@]} fields)" \
    "$TSHARK_S" "$TSHARK_FPS" "$TSHARK_CPU" "$TSHARK_CPU_FPS"

if [[ $HAVE_PARSE -eq 0 ]]; then
    echo
    echo "trawler-cli has no 'parse' command yet: our figures, the ratio and the memory are not measured."
    exit 2
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# One parse into a fresh database; sets SECONDS_TAKEN and PEAK_KB.
run_parse() { # CAPTURE EXPECTED_FRAMES
    local db=$WORK/bench-$2.mdb
    rm -f "$db"
    "$CLI" create "$db" >/dev/null || die "trawler-cli create $db failed"
    "$CLI" init "$db" >/dev/null || die "trawler-cli init $db failed"
    warm "$1"
    local start end status=0
    start=$(now)
    /usr/bin/time -f '%U %S %M' -o "$WORK/time" "$CLI" parse "$1" "$db" >"$WORK/out" 2>&1 </dev/null || status=$?
    end=$(now)
    if [[ $status -ne 0 ]] || ! grep -q "File parsing complete." "$WORK/out"; then
        cat "$WORK/out" >&2
        die "trawler-cli parse $1 did not complete (exit status $status)"
    fi
    SECONDS_TAKEN=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
    PEAK_KB=$(tail -1 "$WORK/time" | awk '{ print $3 }')
    CPU_TAKEN=$(tail -1 "$WORK/time" | awk '{ printf "%.2f", $1 + $2 }')
    local total
    total=$("$CLI" query "$db" "select Total from pccount" 2>/dev/null | tail -1 || true)
    [[ $total == "$2" ]] || echo "warning: pccount Total is '$total', expected $2" >&2
}

run_parse "$SMALL_CAPTURE" "$SMALL_FRAMES"
SMALL_PEAK_KB=$PEAK_KB
run_parse "$CAPTURE" "$FRAMES"
OUR_S=$SECONDS_TAKEN
OUR_FPS=$(rate "$FRAMES" "$OUR_S")
RATIO=$(awk -v a="$OUR_FPS" -v b="$TSHARK_FPS" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }')
PEAK_MB=$(awk -v k="$PEAK_KB" 'BEGIN { printf "%.1f", k / 1024 }')
SMALL_PEAK_MB=$(awk -v k="$SMALL_PEAK_KB" 'BEGIN { printf "%.1f", k / 1024 }')

OUR_CPU_FPS=$(rate "$FRAMES" "$CPU_TAKEN")
CPU_RATIO=$(awk -v a="$OUR_CPU_FPS" -v b="$TSHARK_CPU_FPS" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }')
printf '%-30s %8.3f s wall %9s frames/s | %7.2f s CPU %9s frames/s\n' "trawler-cli parse" "$OUR_S" "$OUR_FPS" \
    "$CPU_TAKEN" "$OUR_CPU_FPS"
printf '%-30s %8s x wall                     | %9s x CPU\n' "ratio (ours / tshark)" "$RATIO" "$CPU_RATIO"
printf '%-30s %8s MiB  (%s MiB on %s frames)\n' "peak resident memory (parse)" "$PEAK_MB" "$SMALL_PEAK_MB" "$SMALL_FRAMES"
LOAD=$(cut -d' ' -f1 /proc/loadavg)
if awk -v l="$LOAD" -v n="$(nproc)" 'BEGIN { exit !(l > n) }'; then
    echo "NOTE: the machine is busy (load average $LOAD on $(nproc) cores): wall-clock figures are pessimistic;"
    echo "      the CPU-time figures are the steadier ones."
fi
echo
verdict() { if awk "BEGIN { exit !($1) }"; then echo "met"; else echo "MISSED"; fi; }
echo "Targets (wall clock): >= $TARGET_FPS frames/s: $(verdict "$OUR_FPS >= $TARGET_FPS");" \
     ">= ${TARGET_RATIO}x tshark: $(verdict "$RATIO >= $TARGET_RATIO");" \
     "< $TARGET_RSS_MB MiB: $(verdict "$PEAK_MB < $TARGET_RSS_MB")"
