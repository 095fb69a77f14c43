#!/usr/bin/env bash
# The drag and clipboard test on a real X server: starts Xvfb on a free display and
# runs th_dragdrop_e2e there (the window drags with xdotool into th_drop_area and
# its clipboard is read with xclip).  Exits 77 (skipped) only when no X server can
# be started or the X tools are missing.
#   bash tests/scripts/dragdrop_xvfb.sh BUILD_DIR [SOURCE_DIR]
# TH_XVFB_DISPLAY picks the display number; otherwise the first free one from 140.
set -uo pipefail
build=$(cd "$1" && pwd)
e2e="$build/th_dragdrop_e2e"
if [ ! -x "$e2e" ]; then
  echo "skip: th_dragdrop_e2e is not built (no Qt)"
  exit 77
fi
for tool in Xvfb xdotool xclip; do
  if ! command -v "$tool" >/dev/null; then
    echo "skip: $tool is not installed"
    exit 77
  fi
done
display=${TH_XVFB_DISPLAY:-}
if [ -z "$display" ]; then
  for n in $(seq 140 199); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
  done
fi
if [ -z "$display" ]; then
  echo "skip: no free X display number"
  exit 77
fi
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() { kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; }
trap cleanup EXIT
up=0
for _ in $(seq 1 100); do
  if ! kill -0 "$xvfb" 2>/dev/null; then break; fi
  if DISPLAY=":$display" xdotool getdisplaygeometry >/dev/null 2>&1; then up=1; break; fi
  sleep 0.1
done
if [ "$up" != 1 ]; then
  echo "skip: Xvfb :$display did not start"
  exit 77
fi
DISPLAY=":$display" QT_QPA_PLATFORM=xcb timeout 180 "$e2e"
