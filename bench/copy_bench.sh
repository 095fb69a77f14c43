#!/usr/bin/env bash
# Export speed against a plain copy: a generated cache of about 20,000 objects (pages
# with many links, images, scripts, styles) is exported whole with `tollhaven-cli export
# --all`, and its body files are copied with `cp -r`; both run twice, alternating, and
# the faster run of each counts.  Prints MB/s, objects/s and the ratio.
#   bash bench/copy_bench.sh BUILD_DIR [OBJECTS] [WORK_DIR]
set -euo pipefail
build=$(cd "${1:?usage: $0 BUILD_DIR [OBJECTS] [WORK_DIR]}" && pwd)
count=${2:-20000}
work=${3:-}
source "$(dirname "$0")/support/generated_cache.sh"
pages=$(awk -F'\t' '$7 == "ok" && $3 ~ /text\/html/' "$work/prefix/manifest.tsv" | wc -l)

best_cp=""
best_export=""
best_copy_phase=""
for round in 1 2; do
  rm -rf "$work/cp-out" "$work/export-out"
  sync
  t0=$(now)
  cp -r "$cache" "$work/cp-out"
  t1=$(now)
  sync
  t2=$(now)
  "$cli" --prefix "$work/prefix" --settings "$work/settings" \
    export --all --to "$work/export-out" --overwrite all > "$work/summary.txt"
  t3=$(now)
  cp_s=$(echo "$t1 - $t0" | bc -l)
  ex_s=$(echo "$t3 - $t2" | bc -l)
  phase=$(sed -n 's/^seconds: .*(copy \([0-9.]*\))$/\1/p' "$work/summary.txt")
  echo "round $round: cp -r ${cp_s%????} s, export ${ex_s%????} s (copy phase $phase s)"
  if [ -z "$best_cp" ] || (( $(echo "$cp_s < $best_cp" | bc -l) )); then best_cp=$cp_s; fi
  if [ -z "$best_export" ] || (( $(echo "$ex_s < $best_export" | bc -l) )); then
    best_export=$ex_s
    best_copy_phase=$phase
  fi
done

written=$(sed -n 's/^bytes written: //p' "$work/summary.txt")
rewritten=$(sed -n 's/^pages rewritten: //p' "$work/summary.txt")
copied=$(sed -n 's/^files copied: //p' "$work/summary.txt")
printf 'cache: %d objects (%d HTML pages), %.1f MB of body files\n' "$objects" "$pages" "$mb"
printf 'export: %d files written (%d pages rewritten), %.1f MB\n' "$copied" "$rewritten" \
  "$(echo "$written / 1048576" | bc -l)"
printf 'cp -r:  %7.2f s  %7.1f MB/s  %8.0f objects/s\n' "$best_cp" \
  "$(echo "$mb / $best_cp" | bc -l)" "$(echo "$objects / $best_cp" | bc -l)"
printf 'export: %7.2f s  %7.1f MB/s  %8.0f objects/s  (load + copy; copy phase %.2f s)\n' \
  "$best_export" "$(echo "$mb / $best_export" | bc -l)" \
  "$(echo "$objects / $best_export" | bc -l)" "$best_copy_phase"
printf 'ratio export / cp -r: %.2f (copy phase alone %.2f)\n' \
  "$(echo "$best_export / $best_cp" | bc -l)" "$(echo "$best_copy_phase / $best_cp" | bc -l)"

# One huge tag: a page that is a single tag of 1 MB, then 2 MB, of links that all get
# rewritten.  The page write must stay linear in the page's size (ratio near 2).
big_time() {  # big_time MEGABYTES -> seconds of the export's copy phase, best of three
  local mb=$1 d="$work/big$1" best="" t
  rm -rf "$d"
  mkdir -p "$d"
  python3 -c "import sys; n = $mb * 1048576 // 21; sys.stdout.write('<a' + ' href=http://h/x.html' * n + '>x</a>')" \
    > "$d/tag.html"
  printf '[profile]\nuser = taro\n[entry]\nurl = http://h/big.html\ntype = text/html\nbody-file = tag.html\n[entry]\nurl = http://h/x.html\ntype = text/html\nbody = x\n' \
    > "$d/cache.txt"
  "$gen" "$d/cache.txt" "$d/prefix" > /dev/null
  for _ in 1 2 3; do
    t=$("$cli" --prefix "$d/prefix" --settings "$work/settings" export --all --to "$d/out" \
      --overwrite all | sed -n 's/^seconds: .*(copy \([0-9.]*\))$/\1/p')
    if [ -z "$best" ] || (( $(echo "$t < $best" | bc -l) )); then best=$t; fi
  done
  echo "$best"
}
t1=$(big_time 1)
t2=$(big_time 2)
printf 'one huge tag: 1 MB %.2f s, 2 MB %.2f s, ratio %.2f (linear: 2)\n' "$t1" "$t2" \
  "$(echo "$t2 / $t1" | bc -l)"
