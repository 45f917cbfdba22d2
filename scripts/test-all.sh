#!/usr/bin/env bash
# Everything CI checks: installs what is missing, builds the release, runs every test through
# CTest, then feeds the pack readers random bytes under the sanitizers for a fixed time.
# Each stage prints its elapsed time, so a slow stage shows in the CI log.
set -euo pipefail
cd "$(dirname "$0")/.."

stage_started=$SECONDS
all_started=$SECONDS
stage() {
  local now=$SECONDS
  [ "${stage_name:-}" = "" ] || echo "== ${stage_name}: $((now - stage_started)) s"
  stage_name="$1"
  stage_started=$now
  [ "$stage_name" = "" ] || echo "== ${stage_name}"
}

stage "Installing packages"
scripts/deps.sh test

stage "Release build"
cmake --preset release
cmake --build --preset release -j "$(nproc)"

stage "Release tests"
export QT_QPA_PLATFORM=offscreen
ctest --preset release --timeout 900

stage "Fuzz build"
fuzz_seconds="${BRISOLT_FUZZ_SECONDS:-60}"
cmake --preset fuzz
cmake --build --preset fuzz -j "$(nproc)"

stage "Fuzzing"
for fuzzer in build-fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  work="build-fuzz/corpus-$name"
  mkdir -p "$work"
  echo "Fuzzing $name for ${fuzz_seconds}s"
  "$fuzzer" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    "$work" tests/fuzz/corpus
done
stage ""
echo "All checks passed in $((SECONDS - all_started)) s."
