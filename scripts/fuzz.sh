#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang-14 into build-fuzz/
# and runs each for a bounded time (FUZZ_SECONDS, 60 by default; in CI a fixed
# seed and number of inputs). Seeds: tests/fuzz/corpus/<target>/ plus slices of real files cut
# at run time into build-fuzz/seeds/<target>/. A crash fails the run and
# leaves its input in build-fuzz/artifacts/; such an input then belongs in
# the GoogleTest regression cases.
set -euo pipefail
cd "$(dirname "$0")/.."
corpus_dir=${LORIX_CORPUS_DIR:-../shared/corpus}
seconds=${FUZZ_SECONDS:-60}
# In CI the run is reproducible: a fixed seed and a fixed number of inputs
# per target (FUZZ_RUNS), with the time only as a cap, so CI explores exactly
# what a run of `CI=true scripts/fuzz.sh` explored before the commit.
limits=()
if [ "${CI:-}" = true ]; then
  seconds=${FUZZ_SECONDS:-120}
  limits=(-seed=20261207 -runs="${FUZZ_RUNS:-30000}")
fi

if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLORIX_FUZZ=ON
fi
cmake --build build-fuzz --parallel "$(nproc)"

# Slices of a file: the whole file and chunks of about 40 lines each.
slice() { # slice FILE OUTDIR PREFIX
  mkdir -p "$2"
  cp "$1" "$2/$3-whole"
  split -l 40 -d -a 3 "$1" "$2/$3-part"
}

seeds=build-fuzz/seeds
rm -rf "$seeds"
slice data/lorix.ini "$seeds/settings_fuzz" ini
for f in "$corpus_dir"/bib/*.bib; do
  [ -f "$f" ] && slice "$f" "$seeds/bib_fuzz" "$(basename "$f" .bib)"
done
mkdir -p "$seeds/template_fuzz" "$seeds/linebreak_fuzz"
grep '^formats\.' data/lorix.ini | cut -d= -f2- | split -l 1 -d -a 3 - "$seeds/template_fuzz/t"
for f in "$corpus_dir"/bib/*.bib; do
  [ -f "$f" ] && grep -o '= *{[^{}]*}' "$f" | head -50 | split -l 5 -d -a 3 - "$seeds/linebreak_fuzz/$(basename "$f" .bib)-" || true
done
for f in "$corpus_dir"/medline/*.txt; do
  [ -f "$f" ] && slice "$f" "$seeds/medline_fuzz" "$(basename "$f" .txt)"
done

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:${UBSAN_OPTIONS:-}"
if [ "${CI:-}" = true ]; then rm -rf build-fuzz/work; fi
mkdir -p build-fuzz/artifacts build-fuzz/work
status=0
for exe in build-fuzz/tests/fuzz/*_fuzz; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe")
  work=build-fuzz/work/$name
  mkdir -p "$work" "$seeds/$name"
  dirs=("$work" "$seeds/$name")
  [ -d "tests/fuzz/corpus/$name" ] && dirs+=("tests/fuzz/corpus/$name")
  log=build-fuzz/$name.log
  if "$exe" -max_total_time="$seconds" "${limits[@]}" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$name-" "${dirs[@]}" >"$log" 2>&1; then
    echo "fuzz $name: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$log" | tail -1)"
  else
    echo "fuzz $name: FAILED, see $log and build-fuzz/artifacts/" >&2
    tail -40 "$log" >&2
    status=1
  fi
done
exit $status
