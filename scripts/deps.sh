#!/usr/bin/env bash
# Installs the Debian packages Lorix needs, when any is missing. Safe to run
# again: it only calls apt-get when something is absent.
#
#   scripts/deps.sh run    what building and running the program needs (./run.sh)
#   scripts/deps.sh [all]  that, and what the tests, clang-tidy, the sanitizer
#                          and fuzz builds and the screenshots need (./test.sh)
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libcurl4-openssl-dev fonts-dejavu-core
)
case "${1:-all}" in
  run) ;;
  all)
    PACKAGES+=(
      libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
      clang-14 libfuzzer-14-dev libclang-rt-14-dev clang-tidy-14
      xvfb xauth xdotool imagemagick desktop-file-utils
    )
    ;;
  *) echo "usage: scripts/deps.sh [run|all]" >&2; exit 2 ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Please install as root: ${missing[*]}" >&2; exit 1; }
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
