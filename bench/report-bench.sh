#!/usr/bin/env bash
# Time each report on a database parsed from the 10,000,000-frame benchmark
# capture (bulk scenario, seed 1): how long until its first rows are shown,
# and until all of them are.
#
#   bench/report-bench.sh [BUILD_DIR] [WORK_DIR]
#
# BUILD_DIR (default build) must hold bin/trawler-capgen and bin/trawler-cli.
# WORK_DIR (default /tmp/trawler-report-bench) keeps the capture and the
# database between runs; delete it to start afresh. FRAMES overrides the
# frame count (default 10000000: the capture takes 3.4 GB, the database
# about 1 GB). The parse is timed with GNU time when it is there (CPU
# seconds and peak memory), and the first traffic report after the parse
# (which ranks the endpoint pairs once) is timed apart from the later runs.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
work=${2:-/tmp/trawler-report-bench}
frames=${FRAMES:-10000000}
first=${FIRST_ROWS:-100}
capgen=$build/bin/trawler-capgen
cli=$build/bin/trawler-cli

for tool in "$capgen" "$cli"; do
  if [ ! -x "$tool" ]; then
    echo "missing $tool: build the targets trawler-capgen and trawler-cli first" >&2
    exit 1
  fi
done
mkdir -p "$work"
capture=$work/bulk-$frames.cap
db=$work/bulk-$frames.mdb

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

if [ ! -s "$capture" ]; then
  t0=$(now)
  "$capgen" --scenario bulk --seed 1 --frames "$frames" -o "$capture"
  echo "capture: $frames frames written in $(elapsed "$t0" "$(now)") s"
fi
if [ ! -s "$db" ]; then
  rm -f "$db" "$db-wal" "$db-shm"
  "$cli" create "$db" >/dev/null
  "$cli" init "$db" >/dev/null
  t0=$(now)
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f "parse CPU: %U s user, %S s system; peak memory %M KB" -o "$work/parse-time.txt" \
      "$cli" parse "$capture" "$db" >/dev/null
  else
    "$cli" parse "$capture" "$db" >/dev/null
  fi
  t1=$(now)
  echo "parse:   $(elapsed "$t0" "$t1") s, $(awk -v n="$frames" -v a="$t0" -v b="$t1" 'BEGIN { printf "%.0f", n / (b - a) }') frames/s"
  [ -s "$work/parse-time.txt" ] && cat "$work/parse-time.txt"
  # The first endpoint-pair report after a parse ranks that transport's
  # pairs once (TCP and UDP apart).
  for r in tcp-pairs udp-pairs; do
    t0=$(now)
    "$cli" report "$r" "$db" --format tsv --limit 1 >/dev/null 2>&1 || true
    echo "ranking after the parse (first $r report): $(elapsed "$t0" "$(now)") s"
  done
fi
for table in icmp ip arp syn; do
  printf '%-5s rows: %s\n' "$table" "$("$cli" query "$db" "select count(*) from $table" --format tsv | tail -n 1)"
done
echo

# "first rows": until the first $first rows are out (open, run the statement,
# hand out the rows), as the view shows them. "shown": until the report is
# complete on screen, the share chart included where it has one. "all rows":
# the whole result written out.
printf '%-18s %14s %10s %10s %10s\n' report "first $first (s)" "shown (s)" "all (s)" rows
reports=(icmp-scanners icmp-scanned icmp-relations icmp-probe-length icmp-all icmp-type-share syn-all
         ipmac-map dest-traffic tcp-pairs udp-pairs lan-access)
for r in "${reports[@]}"; do
  t0=$(now)
  # The command flushes its rows before it fills the chart: the second line
  # (after the titles) arrives when the first rows are out.
  read -r t1 t2 status < <(
    { "$cli" report "$r" "$db" --format tsv --limit "$first" 2>/dev/null; echo "#status $?"; } | {
      IFS= read -r line; [ "$r" = icmp-type-share ] || IFS= read -r line
      t1=$(now)
      while IFS= read -r line; do last=$line; done
      echo "$t1 $(now) ${last:-${line}}" | sed 's/#status //'
    })
  t3=$(now)
  rows=$("$cli" report "$r" "$db" --format tsv 2>/dev/null | wc -l) || true
  t4=$(now)
  if [ "$status" != 0 ]; then
    printf '%-18s %14s %10s %10s %10s\n' "$r" "-" "-" "-" "no rows"
  else
    # The title line is not a row; a chart-only report prints legend lines.
    [ "$r" = icmp-type-share ] || rows=$((rows - 1))
    printf '%-18s %14s %10s %10s %10s\n' "$r" "$(elapsed "$t0" "$t1")" "$(elapsed "$t0" "$t2")" \
      "$(elapsed "$t3" "$t4")" "$rows"
  fi
done

