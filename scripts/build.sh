#!/usr/bin/env bash
# Configures and builds the project into build/ (or $BUILD_DIR). Extra arguments go to cmake.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
bash "$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -DWERROR=ON "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
