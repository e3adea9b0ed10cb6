#!/usr/bin/env bash
# How long the desktop window goes without repainting while the heavy report
# work runs: every traffic report, a jump to the end of a long list and a
# heavy free query that is stopped. An expose probe uncovers a spot of the
# window's caption again and again and times each repaint; the target is no
# wait above 100 ms.
#
#   bench/gui-responsiveness.sh [BUILD_DIR] [DATABASE]
#
# BUILD_DIR (default build) must hold bin/trawler_gui_bench (target
# trawler_gui_bench). DATABASE defaults to the one bench/report-bench.sh
# builds (FRAMES frames, default 1000000); run that first.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
frames=${FRAMES:-1000000}
db=${2:-/tmp/trawler-report-bench/bulk-$frames.mdb}
driver=$build/bin/trawler_gui_bench
probe_src=${PROBE_SOURCE:-../shared/tools/exposeprobe.c}

[ -x "$driver" ] || { echo "missing $driver: build the target trawler_gui_bench" >&2; exit 1; }
[ -s "$db" ] || { echo "missing $db: run bench/report-bench.sh first" >&2; exit 1; }
[ -s "$probe_src" ] || { echo "missing the expose probe source $probe_src (PROBE_SOURCE)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/exposeprobe" "$probe_src" -lX11

cat > "$work/run.sh" <<INNER
#!/usr/bin/env bash
set -e
"$driver" "$db" > "$work/driver.log" 2>&1 &
driver_pid=\$!
sleep 1.5
# A spot of the caption band, which the main window (at 100,10) paints itself.
"$work/exposeprobe" 400 20 \${PROBE_SECONDS:-40} > "$work/probe.log" || true
wait \$driver_pid || true
INNER
chmod +x "$work/run.sh"
xvfb-run -a -s "-screen 0 1024x768x24" "$work/run.sh"
echo "driver:"; sed 's/^/  /' "$work/driver.log"
echo "probe:";  sed 's/^/  /' "$work/probe.log"
