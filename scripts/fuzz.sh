#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (default 60 s each),
# seeded with the fixture corpus. Not part of the regular test run: use it after changing a
# parser. Usage: scripts/fuzz.sh [seconds-per-target]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-60}"
bash "$root/scripts/deps.sh"
command -v clang++ >/dev/null || { echo "clang++ is needed for the fuzz targets" >&2; exit 1; }
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DBUILD_FUZZERS=ON -DBUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target ImageReaderFuzz StreamFuzz
corpus="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
for target in ImageReaderFuzz StreamFuzz; do
  mkdir -p "$corpus/$target"
  echo "== $target for ${seconds}s"
  "$build/tests/fuzz/$target" "$corpus/$target" "$root/tests/fixtures" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
done
