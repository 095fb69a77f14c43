#!/usr/bin/env bash
# Sets everything up and runs every test: the normal build, the sanitizer build and
# a short fixed run of each fuzz target over its committed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

echo "== build and test =="
BUILD_DIR=build bash scripts/build.sh
(cd build && ctest --output-on-failure -j "$(nproc)")

echo "== Debian package: build, install, run, lintian =="
bash scripts/package-check.sh build

echo "== sanitizer build and test =="
BUILD_DIR=build-asan bash scripts/build.sh -DTH_SANITIZE=ON -DTH_BUILD_BENCH=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j "$(nproc)")

echo "== fuzz targets =="
bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
