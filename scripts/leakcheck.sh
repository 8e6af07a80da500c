#!/usr/bin/env bash
# Builds the GUI tests with AddressSanitizer into build-lsan/ and runs them
# headless there, so that LeakSanitizer reports every block still allocated
# at exit that nothing points to. The random session runs a shorter walk
# (LORIX_STEPS, 2000 by default here). Suppressions (scripts/lsan.supp) cover
# only one-time allocations of Qt's platform plugins and of fontconfig.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build-lsan/build.ninja ]; then
  cmake -S . -B build-lsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLORIX_BUILD_BENCH=OFF -DLORIX_SANITIZE=address
fi
targets=()
for src in tests/ui/*.cpp; do
  targets+=("$(basename "$src" .cpp)")
done
cmake --build build-lsan --parallel "$(nproc)" --target "${targets[@]}"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=1:${ASAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0:${LSAN_OPTIONS:-}"
export LORIX_STEPS="${LORIX_STEPS:-2000}"
ctest --test-dir build-lsan -L ui --output-on-failure --no-tests=error -j "$(nproc)"
