#!/usr/bin/env bash
# Whole-process benchmarks of lorix-cli, each against a reference measured in
# the same run (bench/wholeprocess.cpp interleaves the commands):
#   - format of a library made like the real files, against bibtool -i IN -o OUT
#     (median of 9): lorix-cli must be at least 5 times faster;
#   - --version and a command on an empty library, against /bin/true
#     (median of 51): at most 5 ms.
# The library: the entries of every file of ../shared/corpus/bib whose type
# every BibTeX tool knows, with its @string and @preamble blocks, copied five
# times with the copy's number added to each key (bench/realcopies.awk):
# 4.4 MB, 7,830 entries, which bibtool reads without an error.
#
#   bench/process.sh [BUILD_DIR]      (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
corpus="${LORIX_CORPUS_DIR:-$root/../shared/corpus}"

# bibtool is this benchmark's own need, not the program's.
if ! command -v bibtool >/dev/null; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get install -y -qq --no-install-recommends bibtool || {
    $SUDO apt-get update -qq && $SUDO apt-get install -y -qq --no-install-recommends bibtool; }
fi
cmake --build "$build" --target wholeprocess lorix-cli >/dev/null

work="$(mktemp -d /tmp/lorix-process-XXXXXX)"
trap 'rm -rf "$work"' EXIT
cp "$root/data/lorix.ini" "$work/"
: >"$work/empty.bib"
for copy in 1 2 3 4 5; do
  for f in "$corpus"/bib/*.bib; do
    awk -v copy="$copy" -f "$root/bench/realcopies.awk" "$f"
  done
done >"$work/real.bib"
echo "library: $(wc -c <"$work/real.bib") bytes, $(grep -c '^@' "$work/real.bib") blocks"
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"

echo "format, median of 9 (the first line is the reference):"
"$build/bench/wholeprocess" 9 --in "$work" \
  -- bibtool -i "$work/real.bib" -o "$work/bibtool.bib" \
  -- "$build/lorix-cli" format "$work/real.bib" -o "$work/lorix.bib"
echo "start, median of 51:"
"$build/bench/wholeprocess" 51 --in "$work" \
  -- /bin/true \
  -- "$build/lorix-cli" --version \
  -- "$build/lorix-cli" list empty.bib
