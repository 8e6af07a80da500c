#!/usr/bin/env bash
# Installs what the tests need when it is missing, builds everything (tests
# and benchmarks included) and runs the whole test suite headless, then
# clang-tidy over the program's sources, then the reliability checks: the
# Qt-free layers under AddressSanitizer and UndefinedBehaviorSanitizer, the
# GUI tests under LeakSanitizer, and a bounded run of every fuzzer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh all
scripts/build.sh all
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --no-tests=error -j "$(nproc)" "$@"
scripts/tidy.sh
scripts/sanitize.sh
scripts/leakcheck.sh
scripts/fuzz.sh
