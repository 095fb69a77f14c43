#!/usr/bin/env bash
# Configures and builds into build/ (or the folder named by BUILD_DIR).
# Extra CMake options may follow, e.g. scripts/build.sh -DTH_SANITIZE=ON
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja "$@" >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"
