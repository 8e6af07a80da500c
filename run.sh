#!/usr/bin/env bash
# Installs what building and running Lorix needs when it is missing, builds
# the program (no tests, no benchmarks), prepares workspace/ and starts the
# editor there.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh run
scripts/build.sh program
scripts/prepare-workspace.sh workspace
cd workspace
exec ../build/lorix "$@"
