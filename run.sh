#!/usr/bin/env bash
# Installs what is missing, builds Trawler and starts the desktop program.
# Without a display it says so and shows the main job headless instead:
# a database is created and initialised, the sample capture is parsed into
# it and two reports are printed, all with trawler-cli.
#   ./run.sh [trawler arguments...]
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
# The build configures the test suites too, so their framework must be present.
scripts/ensure-packages.sh "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" libgtest-dev

build=build
cmake -S . -B "$build" -DTRAWLER_BUILD_GUI=ON -DTRAWLER_BUILD_TESTS=ON >/dev/null
cmake --build "$build" --target trawler trawler-cli Parse capture -j"$(nproc)"
bin="$build/bin"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/trawler" "$@"
fi

echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): the desktop program cannot open its window."
echo "Showing the main job headless with trawler-cli instead."
echo

capture=samples/demo.cap
if [ ! -f "$capture" ]; then
  capture=$(ls ../shared/captures/lan/*.pcap 2>/dev/null | head -n 1 || true)
fi
if [ -z "$capture" ] || [ ! -f "$capture" ]; then
  echo "No capture file to parse: samples/demo.cap is missing." >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db="$work/demo.mdb"
cli="$bin/trawler-cli"

step() { echo "\$ trawler-cli $*"; "$cli" "$@"; echo; }
step create "$db"
step init "$db"
step parse "$capture" "$db"
step report icmp-scanners "$db"
step query "$db" "select * from pccount"
