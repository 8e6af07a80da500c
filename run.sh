#!/usr/bin/env bash
# Installs what building and running Lorix needs when it is missing, builds
# the program (no tests, no benchmarks), prepares workspace/ and starts the
# editor there.
set -euo pipefail
# A library named on the command line is taken from the folder the command
# was typed in, although the program runs in workspace/.
export LORIX_CALLER_DIR="$PWD"
cd "$(dirname "$0")"
scripts/deps.sh run
scripts/build.sh program
scripts/prepare-workspace.sh workspace
cd workspace
exec ../build/lorix "$@"
