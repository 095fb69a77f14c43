#!/usr/bin/env bash
# Takes a picture of the main window on the bundled sample cache.
#   bash scripts/screenshot.sh BUILD_DIR OUT.png [FOLDER_URL]
# The window runs on a virtual X server (xvfb-run), reads the sample prefix made by
# scripts/make-sample.sh, opens FOLDER_URL (default: the sample site's top folder)
# and saves itself as a PNG.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 BUILD_DIR OUT.png [FOLDER_URL]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
out=$2
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
folder=${3:-http://www.example.co.jp/}
src=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -x "$build/tollhaven" ]; then
  echo "tollhaven is not built in $build (cmake --build $build --target tollhaven)" >&2
  exit 1
fi
work=$(mktemp -d /tmp/th_shot.XXXXXX)
trap 'rm -rf "$work"' EXIT
bash "$src/scripts/make-sample.sh" "$build" "$work/prefix" >/dev/null
mkdir -p "$work/settings"
# A fixed window size so that pictures compare between runs.
printf '[General]\r\nTop=0\r\nLeft=0\r\nWidth=963\r\nHeight=520\r\n' > "$work/settings/screen.dat"
platform=offscreen
command -v xvfb-run >/dev/null && platform=xcb
run=(env TZ=Asia/Tokyo LANG=ja_JP.UTF-8 QT_QPA_PLATFORM=$platform
     "$build/tollhaven" --prefix "$work/prefix" --registry "$work/prefix/netscape.reg"
     --settings "$work/settings" --select "$folder" --screenshot "$out")
if [ "$platform" = xcb ]; then
  xvfb-run -a -s "-screen 0 1280x800x24" "${run[@]}"
else
  "${run[@]}"
fi
test -s "$out"
echo "wrote $out"
