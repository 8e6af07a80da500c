#!/usr/bin/env bash
# Builds the Qt-free layers and their tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and runs them there. Any report
# aborts the test that produced it, so the run fails.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build-asan/build.ninja ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLORIX_BUILD_UI=OFF -DLORIX_BUILD_BENCH=OFF -DLORIX_SANITIZE=address,undefined
fi
cmake --build build-asan --parallel "$(nproc)"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:${UBSAN_OPTIONS:-}"
ctest --test-dir build-asan --output-on-failure --no-tests=error -j "$(nproc)"
