#!/usr/bin/env bash
# What watching costs.
#
#   bench/watch-bench.sh [BUILD_DIR]        (default: build/ under the repository)
#
# Prints:
#   1. the parse of the 1,000,000-frame bulk capture alone (`parse`) and with
#      the detectors (`ingest` of a folder holding just that file), and the
#      detectors' share of the time (target: at most 10 %);
#   2. `ingest` of the same frames cut into 100 files (10,000 frames each) in
#      frames per second, beside `parse` run on each of those files (the
#      parser's own rate on them) and the single file's parse;
#   3. when run as root with ping(8): `watch` on lo with 2 s rotation under
#      `ping -f` to 127.0.0.1: the packets written against the packets the
#      kernel handed over, and the frames the database took in.
# Each timed step runs twice and the faster run counts.
set -euo pipefail

source "$(dirname "$0")/common.sh" "${1:-}"
ROTATED=$CACHE/bulk-$FRAMES-seed$SEED-in-100
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

die() { echo "watch-bench: $*" >&2; exit 1; }
[[ -x $CLI && -x $CAPGEN ]] || die "build trawler-cli and trawler-capgen first"

make_capture "$CAPTURE" "$FRAMES"
# The same million frames cut into 100 files, as a rolling capture leaves them.
if [[ ! -d $ROTATED || $CAPTURE -nt $ROTATED ]]; then
    command -v editcap >/dev/null || die "editcap (wireshark-common, installed with tshark) is needed"
    rm -rf "$ROTATED"; mkdir -p "$ROTATED"
    editcap -F pcap -c 10000 "$CAPTURE" "$ROTATED/part.pcap"
fi
cat "$CAPTURE" "$ROTATED"/* >/dev/null

newdb() { rm -f "$1"; "$CLI" create "$1" >/dev/null; "$CLI" init "$1" >/dev/null; }
calc() { awk "BEGIN { print $1 }"; }
seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1 || die "failed: $*"; e=$(date +%s.%N); calc "$e - $s"; }
best() { calc "($1 < $2) ? $1 : $2"; }

# CPU seconds (user + system) of one command: steadier than wall time on a shared machine.
cpu() { /usr/bin/time -f "%U %S" -o "$WORK/cpu" "$@" >/dev/null 2>&1 || die "failed: $*"; awk '{ print $1 + $2 }' "$WORK/cpu"; }
run_parse() { newdb "$WORK/p.db"; seconds "$CLI" parse "$CAPTURE" "$WORK/p.db"; }
cpu_parse() { newdb "$WORK/p.db"; cpu "$CLI" parse "$CAPTURE" "$WORK/p.db"; }
cpu_ingest() { newdb "$WORK/i.db"; cpu "$CLI" ingest "$WORK/i.db" "$WORK/one" --alerts "$WORK/alerts.jsonl"; }
run_ingest() {
    newdb "$WORK/i.db"; rm -rf "$WORK/one"; mkdir "$WORK/one"; ln -s "$CAPTURE" "$WORK/one/"
    seconds "$CLI" ingest "$WORK/i.db" "$WORK/one" --alerts "$WORK/alerts.jsonl"
}
run_parse_each() {
    newdb "$WORK/e.db"
    local s e; s=$(date +%s.%N)
    for f in "$ROTATED"/*; do "$CLI" parse "$f" "$WORK/e.db" >/dev/null || die "parse $f failed"; done
    e=$(date +%s.%N); calc "$e - $s"
}
run_rotated() { newdb "$WORK/r.db"; seconds "$CLI" ingest "$WORK/r.db" "$ROTATED" --alerts "$WORK/alerts.jsonl"; }

PARSE=$(best "$(run_parse)" "$(run_parse)")
INGEST=$(best "$(run_ingest)" "$(run_ingest)")
CPU_PARSE=$(best "$(cpu_parse)" "$(cpu_parse)")
CPU_INGEST=$(best "$(cpu_ingest)" "$(cpu_ingest)")
ROT=$(best "$(run_rotated)" "$(run_rotated)")
EACH=$(best "$(run_parse_each)" "$(run_parse_each)")
printf '1. 1,000,000 frames: parse %.2f s, ingest with detectors %.2f s: detectors add %.1f %% (target <= 10 %%)\n' \
    "$PARSE" "$INGEST" "$(calc "($INGEST / $PARSE - 1) * 100")"
printf '   CPU time: parse %.2f s, ingest %.2f s: detectors add %.1f %%\n' \
    "$CPU_PARSE" "$CPU_INGEST" "$(calc "($CPU_INGEST / $CPU_PARSE - 1) * 100")"
printf '2. the same frames in 100 files: ingest %.0f frames/s, parse of each file %.0f frames/s (one file: %.0f)\n' \
    "$(calc "$FRAMES / $ROT")" "$(calc "$FRAMES / $EACH")" "$(calc "$FRAMES / $PARSE")"

if [[ $(id -u) -ne 0 ]] || ! command -v ping >/dev/null; then
    echo "3. live watch: skipped (needs root and ping)"
    exit 0
fi
newdb "$WORK/w.db"
"$CLI" watch "$WORK/w.db" --interface lo --filter icmp --dir "$WORK/live" --rotate-seconds 2 \
    --alerts "$WORK/live-alerts.jsonl" 2>"$WORK/watch.err" &
WATCH=$!
for _ in $(seq 100); do [[ -n $(ls -A "$WORK/live" 2>/dev/null) ]] && break; sleep 0.1; done
ping -f -q -c 200000 127.0.0.1 >/dev/null
kill -TERM $WATCH; wait $WATCH || true
SUMMARY=$(grep '^Captured' "$WORK/watch.err")
TAKEN=$("$CLI" query "$WORK/w.db" "select sum(Total) from pccount" --format tsv | tail -1)
echo "3. live watch under ping -f (400,000 packets sent and answered on lo): $SUMMARY"
echo "   frames taken into the database: $TAKEN"
