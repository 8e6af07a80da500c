#!/usr/bin/env bash
# Installs what is missing, builds, prepares workspace/ and starts the editor there.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh
scripts/prepare-workspace.sh workspace
cd workspace
exec ../build/lorix "$@"
