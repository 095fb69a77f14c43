#!/usr/bin/env bash
# The main job end to end: the bundled sample cache is exported with every copy method
# and folder layout, and each copy is checked by an independent reader (check_copy.py):
# files byte-identical or differing only in link values, dates, links that resolve.
# Then the overwrite answers and usage errors of the command, and a self-test that the
# checker notices a damaged copy.
#   bash export_sample.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
cli="$build/tollhaven-cli"
check="$src/tests/scripts/check_copy.py"
work=$(mktemp -d "${TMPDIR:-/tmp}/th-export.XXXXXX")
trap 'rm -rf "$work"' EXIT

for tool in "$cli" "$build/make-netscape-cache"; do
  [ -x "$tool" ] || { echo "missing $tool (build it first)"; exit 1; }
done
bash "$src/scripts/make-sample.sh" "$build" "$work/prefix" >/dev/null
mkdir -p "$work/settings"
source "$src/tests/scripts/export_helpers.bash"

site=http://www.example.co.jp/

# The whole cache, every method (FolderCreation is always 2 for the whole cache).
for m in 1 2 3; do
  expect 0 "export --all --method $m" run export --all --method "$m" --to "$work/all$m"
  check_copy "whole cache, method $m" "$work/all$m" --method "$m"
done
grep -q '^files copied: ' "$work/out.txt" || { echo "FAIL: no summary"; failed=1; }

# One site, both folder layouts, every method.
for f in 1 2; do
  for m in 1 2 3; do
    d="$work/site-f$f-m$m"
    expect 0 "export $site --folders $f --method $m" run export "$site" --folders "$f" \
      --method "$m" --to "$d"
    check_copy "site, folders $f, method $m" "$d" --base "$site" --folders "$f" --method "$m"
  done
done

# A sub-folder whose page uses images elsewhere on the host and on another host.
for m in 1 2 3; do
  d="$work/products-m$m"
  expect 0 "export products --method $m" run export "${site}products/" --folders 1 \
    --method "$m" --to "$d"
  check_copy "products, method $m" "$d" --base "${site}products/" --folders 1 --method "$m"
done
# Method 1 copies only the folder; 2 adds the host's image; 3 adds the other hosts' too.
n1=$(find "$work/products-m1" -type f | wc -l)
n2=$(find "$work/products-m2" -type f | wc -l)
n3=$(find "$work/products-m3" -type f | wc -l)
if [ "$n1" -lt "$n2" ] && [ "$n2" -lt "$n3" ]; then
  echo "ok: products copies grow with the method ($n1 < $n2 < $n3 files)"
else
  echo "FAIL: products copies by method: $n1, $n2, $n3 files"
  failed=1
fi

# Overwrite answers on a second run into the same folder.
d="$work/all1"
expect 0 "second run, --overwrite none" run export --all --to "$d" --overwrite none
grep -q '^files copied: 0$' "$work/out.txt" || { echo "FAIL: none still copied"; failed=1; }
# Newer: files older than their cached object are replaced, the rest kept.
find "$d" -type f -exec touch -d '1990-01-01' {} +
touch -d '2030-01-01' "$d/http\$3a/www.example.co.jp/index.html"
expect 0 "second run, --overwrite newer" run export --all --to "$d" --overwrite newer
grep -q '^files skipped: 1$' "$work/out.txt" || { echo "FAIL: newer: $(cat "$work/out.txt")"; failed=1; }
expect 0 "second run, --overwrite all" run export --all --to "$d" --overwrite all
check_copy "whole cache after overwriting" "$d"
# Answers read from the terminal: cancel on the first question stops with status 1.
got=0
printf 'c\n' | run export --all --to "$d" --overwrite ask >"$work/out.txt" 2>"$work/err.txt" || got=$?
if [ "$got" = 1 ] && grep -q '^files copied: 0$' "$work/out.txt"; then
  echo "ok: cancel at the question stops the run"
else
  echo "FAIL: cancel: exit $got"; cat "$work/out.txt" "$work/err.txt"; failed=1
fi
got=0
printf 'n\ny\na\n' | run export --all --to "$d" --overwrite ask >"$work/out.txt" 2>"$work/err.txt" || got=$?
if [ "$got" = 0 ] && grep -q '^files skipped: 1$' "$work/out.txt" &&
   [ "$(grep -o 'すべていいえ' "$work/err.txt" | wc -l)" = 3 ]; then
  echo "ok: no, yes, then all: three questions, one file skipped"
else
  echo "FAIL: answers n y a: exit $got"; cat "$work/out.txt" "$work/err.txt"; failed=1
fi

# Usage errors and a prefix that is not in the cache.
expect 2 "no destination" run export --all
expect 2 "prefixes and --all" run export "$site" --all --to "$work/x"
expect 2 "bad method" run export --all --method 4 --to "$work/x"
expect 2 "bad overwrite" run export --all --overwrite maybe --to "$work/x"
expect 1 "unknown prefix" run export http://nowhere.example/ --to "$work/x"
expect 1 "destination under a file" run export --all --to "$work/out.txt/sub"

# The checker itself must notice damage.
cp -a "$work/all3" "$work/bad"
page="$work/bad/http\$3a/www.example.co.jp/index.html"
LC_ALL=C sed -i 's/images\/bg.gif/images\/a.gif/' "$page"
touch -d '1999-03-01 02:00:00 UTC' "$page"
if python3 "$check" "$work/prefix" "$work/bad" --method 3 >/dev/null 2>&1; then
  echo "FAIL: a link led to the wrong image and the checker did not notice"; failed=1
else
  echo "ok: checker notices a link to the wrong file"
fi
cp -a "$work/all3" "$work/bad2"
touch -d '2001-01-01' "$work/bad2/http\$3a/img.example.com/logo.png"
if python3 "$check" "$work/prefix" "$work/bad2" --method 3 >/dev/null 2>&1; then
  echo "FAIL: a wrong date went unnoticed"; failed=1
else
  echo "ok: checker notices a wrong date"
fi
cp -a "$work/all3" "$work/bad3"
LC_ALL=C sed -i 's/<H1>/<H2>/' "$work/bad3/http\$3a/www.example.co.jp/about/index.html"
touch -d '1998-12-10 09:00:00 UTC' "$work/bad3/http\$3a/www.example.co.jp/about/index.html"
if python3 "$check" "$work/prefix" "$work/bad3" --method 3 >/dev/null 2>&1; then
  echo "FAIL: a changed tag went unnoticed"; failed=1
else
  echo "ok: checker notices a change outside link values"
fi

exit $failed
