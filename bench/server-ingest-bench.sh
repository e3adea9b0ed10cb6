#!/usr/bin/env bash
# Parse throughput into a PostgreSQL server on this machine.
#
#   bench/server-ingest-bench.sh [BUILD_DIR]        (default: build/ under the repository)
#
# Starts a throwaway server (initdb + pg_ctl in a temporary folder, Unix
# socket only, as "nobody" when run as root; default durability settings),
# then prints from one run each:
#   - frames per second for `trawler-cli parse FILE URI` of the 1,000,000-frame
#     bulk capture (the one bench/parse-bench.sh uses) into a fresh database,
#   - the times of two sensors parsing two different 200,000-frame captures
#     into one database at once (both must complete).
# The server is stopped and its folder removed at the end.
set -euo pipefail

source "$(dirname "$0")/common.sh" "${1:-}"
TARGET_FPS=300000

die() { echo "server-ingest-bench: $*" >&2; exit 1; }
[[ -x $CLI ]] || die "$CLI not found; build it first: cmake --build $BUILD --target trawler-cli"
[[ -x $CAPGEN ]] || die "$CAPGEN not found; build it first: cmake --build $BUILD --target trawler-capgen"
PGBIN=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[[ -n $PGBIN && -x $PGBIN/pg_ctl ]] || die "no PostgreSQL server binaries (Debian package postgresql)"

make_capture "$CAPTURE" "$FRAMES" "$SEED"
make_capture "$CACHE/bulk-200000-a.pcap" 200000 1
make_capture "$CACHE/bulk-200000-b.pcap" 200000 2

DIR=$(mktemp -d /tmp/trawler-pg-bench.XXXXXX)
as_server() { if [[ $(id -u) == 0 ]]; then runuser -u nobody -- "$@"; else "$@"; fi; }
[[ $(id -u) == 0 ]] && chown nobody "$DIR"
cleanup() {
    as_server "$PGBIN/pg_ctl" -D "$DIR/data" -m fast -w stop >/dev/null 2>&1 || true
    rm -rf "$DIR"
}
trap cleanup EXIT
as_server "$PGBIN/initdb" -D "$DIR/data" -U trawler --auth=trust -E SQL_ASCII --locale=C >/dev/null
as_server "$PGBIN/pg_ctl" -D "$DIR/data" -l "$DIR/log" -w \
    -o "-k $DIR -c listen_addresses='' -p 5432" start >/dev/null
uri() { echo "postgresql://trawler@/$1?host=$DIR&port=5432"; }

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }

cat "$CAPTURE" >/dev/null
"$CLI" create "$(uri bench)" >/dev/null && "$CLI" init "$(uri bench)" >/dev/null
start=$(now)
"$CLI" parse "$CAPTURE" "$(uri bench)" >/dev/null || die "parse into the server failed"
S=$(since "$start")
FPS=$(awk -v n="$FRAMES" -v s="$S" 'BEGIN { printf "%.0f", n / s }')
echo "Capture: $CAPTURE ($FRAMES frames); machine: $(nproc) cores"
echo "Parse into PostgreSQL $("$PGBIN/postgres" --version | awk '{print $3}'): $S s, $FPS frames/s (target >= $TARGET_FPS)"

"$CLI" create "$(uri sensors)" >/dev/null && "$CLI" init "$(uri sensors)" >/dev/null
start=$(now)
"$CLI" parse "$CACHE/bulk-200000-a.pcap" "$(uri sensors)" >"$DIR/a.out" 2>&1 & A=$!
"$CLI" parse "$CACHE/bulk-200000-b.pcap" "$(uri sensors)" >"$DIR/b.out" 2>&1 & B=$!
wait $A && wait $B || die "a concurrent parse failed: $(cat "$DIR/a.out" "$DIR/b.out")"
echo "Two parses of 200,000 frames each into one database at once: both complete in $(since "$start") s"
echo "Rows of pccount afterwards: $("$CLI" query "$(uri sensors)" "select count(*) from pccount" | tail -1)"
