# Shared by the shell benchmarks: sourced with build, count and work set; makes (once)
# the generated cache of about `count` objects (seed 7) in $work/prefix and sets
# cli, gen, cache (its body folder), objects (records a reader delivers), bytes (size
# of the body folder) and mb.  Without a work folder a temporary one is used and removed.
if [ -z "$work" ]; then
  work=$(mktemp -d "${TMPDIR:-/tmp}/th-bench.XXXXXX")
  trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"
cli="$build/tollhaven-cli"
gen="$build/make-netscape-cache"
for tool in "$cli" "$gen"; do
  [ -x "$tool" ] || { echo "missing $tool" >&2; exit 1; }
done
if [ ! -f "$work/prefix/manifest.tsv" ]; then
  rm -rf "$work/prefix"
  "$gen" --generate "$count" --seed 7 "$work/prefix" > "$work/gen.txt"
fi
cache=$(sed -n 's/^cache=//p' "$work/gen.txt" 2>/dev/null || true)
[ -n "$cache" ] || cache=$(dirname "$(find "$work/prefix" -name FAT.DB | head -1)")
objects=$(awk -F'\t' '$7 == "ok"' "$work/prefix/manifest.tsv" | wc -l)
bytes=$(du -sb "$cache" | cut -f1)
mb=$(echo "$bytes / 1048576" | bc -l)
mkdir -p "$work/settings"
now() { date +%s.%N; }
