#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed time (seconds,
# default 20) over its committed seed corpus in fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-20}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
  -DTH_FUZZ=ON -DTH_BUILD_UI=OFF -DTH_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
shopt -s nullglob
targets=()
for src in fuzz/*_fuzz.cpp; do targets+=("$(basename "$src" .cpp)"); done
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets"; exit 0; }
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"
for src in fuzz/*_fuzz.cpp; do
  name=$(basename "$src" .cpp)
  corpus=fuzz/corpus/$name
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/ 2>/dev/null || true
  echo "-- $name ($SECONDS_EACH s)"
  build-fuzz/"$name" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=4096 \
    -print_final_stats=1 "$work" 2>&1 | { grep -E '^Done|^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)|ERROR|SUMMARY' || true; }
  rm -rf "$work"
done
