#!/usr/bin/env bash
# Takes a picture of every dialog on a virtual X server (xvfb-run).
#   bash scripts/screenshot-dialogs.sh BUILD_DIR OUT_DIR
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 BUILD_DIR OUT_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
xvfb-run -a -s "-screen 0 1280x800x24" env TZ=Asia/Tokyo LANG=ja_JP.UTF-8 QT_QPA_PLATFORM=xcb \
  TH_SHOT_DIR="$out" "$build/th_ui_tests" --gtest_also_run_disabled_tests \
  --gtest_filter='DialogShots.*'
ls "$out"/dialog-*.png
