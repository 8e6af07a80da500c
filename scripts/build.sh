#!/usr/bin/env bash
# Builds Lorix into build/.
#
#   scripts/build.sh program  lorix and lorix-cli only; a build/ made here has
#                             no tests and no benchmarks, so it needs no test
#                             libraries (./run.sh)
#   scripts/build.sh [all]    everything: switches the tests and benchmarks on
#                             in build/ when they are off (./test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
configure() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
}
case "${1:-all}" in
  program)
    [ -f build/build.ninja ] || configure -DLORIX_BUILD_TESTS=OFF -DLORIX_BUILD_BENCH=OFF
    cmake --build build --parallel "$(nproc)" --target lorix lorix-cli
    ;;
  all)
    if [ ! -f build/build.ninja ] || grep -q '^LORIX_BUILD_\(TESTS\|BENCH\):BOOL=OFF' build/CMakeCache.txt; then
      configure -DLORIX_BUILD_TESTS=ON -DLORIX_BUILD_BENCH=ON
    fi
    cmake --build build --parallel "$(nproc)"
    ;;
  *) echo "usage: scripts/build.sh [program|all]" >&2; exit 2 ;;
esac
