#!/usr/bin/env bash
# WARC export speed against a plain copy, on the same generated cache as copy_bench.sh
# (about 20,000 objects, seed 7): `tollhaven-cli warc --all --cdx` (gzip member per
# record, two SHA-1 digests, index) against `cp -r` of the body files; both run twice,
# alternating, and the faster run of each counts.  Prints MB/s, objects/s and the ratio.
#   bash bench/warc_bench.sh BUILD_DIR [OBJECTS] [WORK_DIR]
set -euo pipefail
build=$(cd "${1:?usage: $0 BUILD_DIR [OBJECTS] [WORK_DIR]}" && pwd)
count=${2:-20000}
work=${3:-}
source "$(dirname "$0")/support/generated_cache.sh"

best_cp=""
best_warc=""
for round in 1 2; do
  rm -rf "$work/cp-out" "$work/out.warc.gz" "$work/out.cdxj"
  sync
  t0=$(now)
  cp -r "$cache" "$work/cp-out"
  t1=$(now)
  sync
  t2=$(now)
  "$cli" --prefix "$work/prefix" --settings "$work/settings" \
    warc --all --to "$work/out.warc.gz" --cdx > "$work/summary.txt"
  t3=$(now)
  cp_s=$(echo "$t1 - $t0" | bc -l)
  wa_s=$(echo "$t3 - $t2" | bc -l)
  echo "round $round: cp -r ${cp_s%????} s, warc ${wa_s%????} s"
  if [ -z "$best_cp" ] || (( $(echo "$cp_s < $best_cp" | bc -l) )); then best_cp=$cp_s; fi
  if [ -z "$best_warc" ] || (( $(echo "$wa_s < $best_warc" | bc -l) )); then best_warc=$wa_s; fi
done

records=$(( $(sed -n 's/^response records: //p' "$work/summary.txt") + \
            $(sed -n 's/^resource records: //p' "$work/summary.txt") ))
warc_bytes=$(sed -n 's/^warc bytes: //p' "$work/summary.txt")
printf 'cache: %d objects, %.1f MB of body files\n' "$objects" "$mb"
printf 'warc: %d records, %.1f MB gzip (%s)\n' "$records" \
  "$(echo "$warc_bytes / 1048576" | bc -l)" "$(tr '\n' ' ' < "$work/summary.txt" | sed 's/ $//')"
printf 'cp -r:  %7.2f s  %7.1f MB/s  %8.0f objects/s\n' "$best_cp" \
  "$(echo "$mb / $best_cp" | bc -l)" "$(echo "$objects / $best_cp" | bc -l)"
printf 'warc:   %7.2f s  %7.1f MB/s  %8.0f objects/s  (load + write + index)\n' "$best_warc" \
  "$(echo "$mb / $best_warc" | bc -l)" "$(echo "$objects / $best_warc" | bc -l)"
printf 'ratio warc / cp -r: %.2f\n' "$(echo "$best_warc / $best_cp" | bc -l)"
