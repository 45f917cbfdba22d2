#!/usr/bin/env bash
# Everything CI checks: installs what is missing, builds the release, runs every test through
# CTest, then feeds the pack readers random bytes under the sanitizers for a fixed time.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test

cmake --preset release
cmake --build --preset release -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --preset release --timeout 900

fuzz_seconds="${BRISOLT_FUZZ_SECONDS:-60}"
cmake --preset fuzz
cmake --build --preset fuzz -j "$(nproc)"
for fuzzer in build-fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  work="build-fuzz/corpus-$name"
  mkdir -p "$work"
  echo "Fuzzing $name for ${fuzz_seconds}s"
  "$fuzzer" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    "$work" tests/fuzz/corpus
done
echo "All checks passed."
