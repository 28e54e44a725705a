#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game on the built-in demo data set.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" bash "$root/scripts/build.sh"
if [ -x "$build/game/app/CorvaneVantor" ]; then
  exec "$build/game/app/CorvaneVantor" "$@"
fi
# Until the game program exists, show what the engine can do: load every demo scene file.
if [ -x "$build/tools/enfdump/enfdump" ] && [ -d "$build/data" ]; then
  echo "The game program does not exist yet. Demo scene files in $build/data:"
  find "$build/data" -iname '*.enf' -print0 | xargs -0 -r "$build/tools/enfdump/enfdump" -q
  exit $?
fi
echo "Built. The game program does not exist yet; run scripts/test.sh to run the tests."
