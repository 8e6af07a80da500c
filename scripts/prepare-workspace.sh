#!/usr/bin/env bash
# Creates a working folder from data/ when it does not exist yet: the
# delivered lorix.ini, the sample library with its notes and documents, and
# the manual. An existing folder is left as it is (it holds the user's work).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dest="${1:?usage: prepare-workspace.sh FOLDER}"
if [ -e "$dest/lorix.ini" ]; then
  exit 0
fi
mkdir -p "$dest"
for f in lorix.ini lorix.log sample.bib sample.not pdf manual; do
  cp -R "$root/data/$f" "$dest/"
done
