#!/usr/bin/env bash
# Turns the bundled sample description (samples/sample-cache.txt) into a Wine-style
# prefix holding a Netscape 4.x profile and cache.
#   bash scripts/make-sample.sh BUILD_DIR OUT_DIR
# Then e.g.: WINEPREFIX=OUT_DIR tollhaven-cli ...  or  TOLLHAVEN_REGISTRY=OUT_DIR/netscape.reg
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR OUT_DIR" >&2
  exit 2
fi
build=$1
out=$2
src=$(cd "$(dirname "$0")/.." && pwd)
tool="$build/make-netscape-cache"
if [ ! -x "$tool" ]; then
  echo "make-netscape-cache is not built in $build (cmake --build $build --target make-netscape-cache)" >&2
  exit 1
fi
# A previous sample is replaced as a whole, but nothing else is removed.
if [ -e "$out" ] && [ ! -f "$out/manifest.tsv" ]; then
  echo "$out exists and is not a sample prefix; not touching it" >&2
  exit 1
fi
rm -rf "$out"
"$tool" "$src/samples/sample-cache.txt" "$out" --reg-file "$out/netscape.reg"
