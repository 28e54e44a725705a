#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Tests that open a window or use GL
# run under a virtual X server when there is no display.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" bash "$root/scripts/build.sh" "$@"
cd "$build"
run=()
if [ -z "${DISPLAY:-}" ]; then
  run=(xvfb-run -a -s "-screen 0 1280x1024x24")
fi
"${run[@]}" ctest --output-on-failure -j "$(nproc)" --timeout 600
