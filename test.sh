#!/usr/bin/env bash
# Installs what is missing, builds Trawler and runs every test.
#   ./test.sh              normal build in build/
#   ./test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
# TRAWLER_WERROR=ON turns compiler warnings into errors (CI does).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
scripts/ensure-packages.sh "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

build=build
flags=(-DTRAWLER_BUILD_GUI=ON -DTRAWLER_BUILD_TESTS=ON -DTRAWLER_WERROR="${TRAWLER_WERROR:-OFF}")
if [ "${1:-}" = "--sanitize" ]; then
  build=build-asan
  flags+=(-DTRAWLER_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi
cmake -S . -B "$build" "${flags[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
