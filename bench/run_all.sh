#!/usr/bin/env bash
# The scale table in one run, with the plain tools it is measured against in the same
# run: the tree of a million entries (tree_bench), `tollhaven-cli entries`, `tree` and
# `list` on a generated cache of 100,000 entries against `db_dump185 -p` on its FAT.DB,
# the window's start to a filled tree (ui_start_bench, offscreen) against `tree`,
# the batch delete (delete_bench, when built), export against `cp -r` (copy_bench.sh)
# and find against `grep -rliF` (find_bench).  Caches are made with make-netscape-cache
# and kept in the work folder, so a second run skips making them.
#   bash bench/run_all.sh BUILD_DIR [WORK_DIR]
# SECTIONS="tree commands delete copy find" picks the parts to run (all by default);
# TREE_SIZES="100000 1000000" the sizes of tree_bench; BASELINE_CLI=path/to/tollhaven-cli
# adds rows for another build of the command line (an older one), timed in the same run.
# Timings are wall-clock and CPU (user + sys) seconds; each command runs twice,
# alternating with its peer, and the faster run counts.  Not part of CI.
set -euo pipefail
build=$(cd "${1:?usage: $0 BUILD_DIR [WORK_DIR]}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
root=${2:-${TMPDIR:-/tmp}/tollhaven-bench}
mkdir -p "$root"

echo "== machine"
echo "cpu: $(nproc) x $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
echo "memory: $(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"
echo "started: $(date -u '+%Y-%m-%d %H:%M UTC'), load average $(cut -d' ' -f1-3 /proc/loadavg)"

want() { [[ " ${SECTIONS:-tree commands delete copy find} " == *" $1 "* ]]; }

if want tree; then
echo
echo "== tree build + sort + names (tree_bench; goal <= 5 s CPU, <= 600 MiB, <= x11 from 100,000)"
"$build/tree_bench" ${TREE_SIZES:-100000 1000000}
fi

# Best of two: prints "wall cpu" of the faster run of "$@" (output to /dev/null).
best_of_two() {
  local best_wall="" best_cpu="" out wall cpu
  for _ in 1 2; do
    /usr/bin/time -o "$root/time.txt" -f '%e %U %S' "$@" > /dev/null 2> /dev/null
    out=$(tail -1 "$root/time.txt")
    wall=$(echo "$out" | cut -d' ' -f1)
    cpu=$(echo "$out" | awk '{print $2 + $3}')
    if [ -z "$best_wall" ] || (( $(echo "$wall < $best_wall" | bc -l) )); then
      best_wall=$wall
      best_cpu=$cpu
    fi
  done
  echo "$best_wall $best_cpu"
}

if want commands; then
echo
echo "== commands on a cache of 100,000 entries against db_dump185 -p"
count=100000
work="$root/c100k"
source "$here/support/generated_cache.sh"
fat_db=$(sed -n 's/^fat_db=//p' "$work/gen.txt")
echo "cache: $objects objects, $(printf '%.1f' "$mb") MB of body files"
cli_args=("$cli" --prefix "$work/prefix" --settings "$work/settings")
# One warm-up of each, so that every timed run finds the files in the page cache.
db_dump185 -p "$fat_db" > /dev/null
"${cli_args[@]}" list > /dev/null
read -r db_wall db_cpu < <(best_of_two db_dump185 -p "$fat_db")
read -r en_wall en_cpu < <(best_of_two "${cli_args[@]}" entries)
read -r tr_wall tr_cpu < <(best_of_two "${cli_args[@]}" tree)
read -r li_wall li_cpu < <(best_of_two "${cli_args[@]}" list)
ui_wall=""
if [ -x "$build/ui_start_bench" ]; then
  # A settings folder of its own for each run (made and removed by the bench).
  "$build/ui_start_bench" --prefix "$work/prefix" > /dev/null 2>&1 || true
  read -r ui_wall ui_cpu < <(best_of_two "$build/ui_start_bench" --prefix "$work/prefix")
fi
if [ -n "${BASELINE_CLI:-}" ]; then
  old_args=("$BASELINE_CLI" --prefix "$work/prefix" --settings "$work/settings")
  "${old_args[@]}" list > /dev/null
  read -r oen_wall oen_cpu < <(best_of_two "${old_args[@]}" entries)
  read -r otr_wall otr_cpu < <(best_of_two "${old_args[@]}" tree)
  read -r oli_wall oli_cpu < <(best_of_two "${old_args[@]}" list)
fi
printf '%-38s %8s %8s %12s %12s\n' "" wall_s cpu_s "wall ratio" "cpu ratio"
# row LABEL WALL CPU [REF_WALL REF_CPU]: the ratios are against the reference.
row() {
  printf '%-38s %8.2f %8.2f' "$1" "$2" "$3"
  if [ -n "${4:-}" ]; then
    printf ' %12.2f %12.2f' "$(echo "$2 / $4" | bc -l)" "$(echo "$3 / $5" | bc -l)"
  fi
  echo
}
row "db_dump185 -p" "$db_wall" "$db_cpu"
row "entries (goal <= 0.7)" "$en_wall" "$en_cpu" "$db_wall" "$db_cpu"
row "tree (goal <= 1.2)" "$tr_wall" "$tr_cpu" "$db_wall" "$db_cpu"
row "list, warm (goal <= 2 s)" "$li_wall" "$li_cpu"
if [ -n "$ui_wall" ]; then
  row "window start, vs tree (goal <= 1.5)" "$ui_wall" "$ui_cpu" "$tr_wall" "$tr_cpu"
else
  echo "window start: ui_start_bench is not built in $build"
fi
if [ -n "${BASELINE_CLI:-}" ]; then
  echo "baseline $BASELINE_CLI:"
  row "  entries" "$oen_wall" "$oen_cpu" "$db_wall" "$db_cpu"
  row "  tree" "$otr_wall" "$otr_cpu" "$db_wall" "$db_cpu"
  row "  list, warm" "$oli_wall" "$oli_cpu"
fi
fi

if want delete; then
echo
echo "== delete 10,000 of 100,000 (goal <= 3 x one enumeration)"
if [ -x "$build/delete_bench" ]; then
  "$build/delete_bench"
else
  echo "delete_bench is not built in $build"
fi
fi

if want copy; then
echo
echo "== export against cp -r (copy_bench.sh; goal <= 1.5)"
bash "$here/copy_bench.sh" "$build" 20000 "$root/c20k"
fi

if want find; then
echo
echo "== find, ignore case, against grep -rliF (find_bench; goal <= 1.2)"
mkdir -p "$root/find"
"$build/find_bench" --dir "$root/find"
fi

echo
echo "finished: $(date -u '+%H:%M UTC'), load average $(cut -d' ' -f1-3 /proc/loadavg)"
