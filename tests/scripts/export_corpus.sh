#!/usr/bin/env bash
# Export of pages written as Japanese sites of 1997-2003 wrote them (tests/corpus/sites):
# the corpus is built into a real Netscape cache, exported whole and by site with every
# method, and each copy is checked by the independent checker (check_copy.py), which
# follows fragments and reads each page in its own encoding.  Then one file that cannot
# be written must not end the export, and the checker must notice the faults this
# corpus is about.
#   bash export_corpus.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
cli="$build/tollhaven-cli"
check="$src/tests/scripts/check_copy.py"
work=$(mktemp -d "${TMPDIR:-/tmp}/th-corpus.XXXXXX")
trap 'rm -rf "$work"' EXIT

for tool in "$cli" "$build/make-netscape-cache"; do
  [ -x "$tool" ] || { echo "missing $tool (build it first)"; exit 1; }
done
"$build/make-netscape-cache" "$src/tests/corpus/sites/sites-cache.txt" "$work/prefix" >/dev/null
mkdir -p "$work/settings"
source "$src/tests/scripts/export_helpers.bash"
must_fail() {  # must_fail DESCRIPTION COPY_DIR
  if python3 "$check" "$work/prefix" "$2" --method 3 >/dev/null 2>&1; then
    echo "FAIL: the checker did not notice $1"
    failed=1
  else
    echo "ok: checker notices $1"
  fi
}

for m in 1 2 3; do
  expect 0 "export --all --method $m" run export --all --method "$m" --to "$work/all$m"
  check_copy "whole corpus, method $m" "$work/all$m" --method "$m"
done
grep -q '^files failed: 0$' "$work/out.txt" || { echo "FAIL: summary: $(cat "$work/out.txt")"; failed=1; }

for site in http://www.kaisha.co.jp/faq/ http://www.tanaka-lab.ac.jp/ http://bbs.example.ne.jp/; do
  for f in 1 2; do
    for m in 1 3; do
      d="$work/site-$f-$m-$(echo "$site" | tr -c 'a-z0-9\n' _)"
      expect 0 "export $site --folders $f --method $m" run export "$site" --folders "$f" \
        --method "$m" --to "$d"
      check_copy "$site, folders $f, method $m" "$d" --base "$site" --folders "$f" --method "$m"
    done
  done
done

# One file that cannot be written (a folder stands where it goes) is reported, the
# rest is copied, the summary names it and the status says something failed.
d="$work/blocked"
mkdir -p "$d/http\$3a/www.tanaka-lab.ac.jp/style.css"
got=0
run export --all --to "$d" --overwrite all >"$work/out.txt" 2>"$work/err.txt" </dev/null || got=$?
if [ "$got" = 1 ] && grep -q '^files failed: 1$' "$work/out.txt" &&
   grep -q '^failed: http://www.tanaka-lab.ac.jp/style.css' "$work/out.txt" &&
   grep -q 'ファイルのコピーに失敗しました' "$work/err.txt" &&
   [ -f "$d/http\$3a/bbs.example.ne.jp/read~615dbbcc.html" ] &&
   [ "$(find "$d" -type f | wc -l)" = "$(( $(find "$work/all1" -type f | wc -l) - 1 ))" ]; then
  echo "ok: one bad file is reported and the export goes on"
else
  echo "FAIL: one bad file: exit $got"; cat "$work/out.txt" "$work/err.txt"; failed=1
fi

# The checker must notice the faults of old: a fragment escaped into the name, a
# fragment link sent to another page, 8-bit bytes in an ISO-2022-JP page, two folders
# for one host, a lost '%'.
faq="http\$3a/www.kaisha.co.jp/faq/index.html"
[ -f "$work/all3/$faq" ] || faq=$(cd "$work/all3" && find . -ipath '*kaisha.co.jp/faq/index.html' | head -1)
damage() {  # damage NAME FILE SED-EXPRESSION
  cp -a "$work/all3" "$work/$1"
  local f="$work/$1/$2"
  local when
  when=$(stat -c %Y "$f")
  LC_ALL=C sed -i "$3" "$f"
  touch -d "@$when" "$f"
}
damage frag "$faq" 's/hack\.html#ftp/hack.html%23ftp/; s/href="#Q1030"/href="index.html%23Q1030"/'
must_fail "a fragment escaped into the name" "$work/frag"
damage other "$faq" 's/href="#Q2001"/href="..\/index.html#Q2001"/'
must_fail "a fragment link sent to another page" "$work/other"
news=$(cd "$work/all3" && find . -ipath '*kaisha.co.jp/news/2001.html' | head -1)
damage eight "$news" 's/\.\.\/%e3%81%8a%e7%9f%a5%e3%82%89%e3%81%9b\.html/..\/\x82\xa8\x92m\x82\xe7\x82\xb9.html/'
must_fail "8-bit bytes in an ISO-2022-JP page" "$work/eight"
cp -a "$work/all3" "$work/twice"
mkdir -p "$work/twice/http\$3a/WWW.Tanaka-Lab.ac.jp/img"
mv "$work/twice/http\$3a/www.tanaka-lab.ac.jp/img/map.gif" "$work/twice/http\$3a/WWW.Tanaka-Lab.ac.jp/img/"
must_fail "two local folders for one host" "$work/twice"
cp -a "$work/all3" "$work/percent"
mv "$work/percent/http\$3a/www.tanaka-lab.ac.jp/img/100%.gif" "$work/percent/http\$3a/www.tanaka-lab.ac.jp/img/100"
must_fail "a name that lost its '%'" "$work/percent"

exit $failed
