#!/usr/bin/env bash
# The main job in one go: installs what is missing, builds, turns the bundled sample
# description into a Netscape cache, and exports that whole cache as a browsable copy.
#   bash scripts/run-sample.sh [OUT_DIR]      (default: out/sample-copy)
# BUILD_DIR (default build) names the build folder; SAMPLE_DIR (default out/sample-prefix)
# where the sample cache goes.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
out=${1:-out/sample-copy}
build=${BUILD_DIR:-build}
sample=${SAMPLE_DIR:-out/sample-prefix}

bash scripts/setup.sh
BUILD_DIR="$build" bash scripts/build.sh
mkdir -p "$(dirname "$sample")" "$(dirname "$out")"
bash scripts/make-sample.sh "$build" "$sample" >/dev/null

# Settings (rename list, content types) of this run stay beside the sample.
mkdir -p "$sample.settings"
"$build/tollhaven-cli" --prefix "$sample" --settings "$sample.settings" \
  export --all --to "$out" --overwrite all

index="$out/http\$3a/www.example.co.jp/index.html"
case "$index" in /*) ;; *) index="$src/$index" ;; esac
echo
echo "The copy is in $out.  Open its top page in a browser:"
echo "  file://$index"

# With a display, the window opens on the same sample cache; without one (a server,
# CI) the export above is the result.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${CI:-}" ] && [ -z "${NO_WINDOW:-}" ]; then
  echo
  echo "Starting the Tollhaven window on the sample cache..."
  exec "$build/tollhaven" --prefix "$sample" --settings "$sample.settings" \
    --select "http://www.example.co.jp/"
else
  echo "(No display: the window was not started.  On a desktop, run:"
  echo "  $build/tollhaven --prefix $sample --settings $sample.settings )"
fi
