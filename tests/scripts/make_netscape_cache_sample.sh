#!/usr/bin/env bash
# The bundled sample, made by scripts/make-sample.sh, read back without our code:
# FAT.DB with db_dump185, pages with iconv in the encoding they declare, the registry
# and prefs files as text.
#   bash make_netscape_cache_sample.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
src=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/th-sample-XXXXXX")
trap 'rm -rf "$work"' EXIT
out="$work/prefix"

bash "$src/scripts/make-sample.sh" "$build" "$out" > "$work/tool.out"
fail=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; fail=1; fi
}

fatdb=$(sed -n 's/^fat_db=//p' "$work/tool.out")
profile=$(sed -n 's/^profile=//p' "$work/tool.out")
check "FAT.DB where the profile's Cache folder is" test "$fatdb" = "$profile/Cache/FAT.DB"
check "dosdevices/c: leads to drive_c" test "$(readlink "$out/dosdevices/c:")" = "../drive_c"

# Keys decoded from db_dump185 output must be exactly the URLs of the description.
db_dump185 -p "$fatdb" > "$work/dump.txt"
python3 - "$work/dump.txt" "$src/samples/sample-cache.txt" > "$work/keys.txt" <<'PY'
import re, struct, sys
lines = open(sys.argv[1], 'rb').read().split(b'\n')
start = lines.index(b'HEADER=END') + 1
items = [l for l in lines[start:] if l != b'DATA=END'][:-1]  # last split piece is empty
def unescape(b):
    out = bytearray(); i = 0
    while i < len(b):
        if b[i:i+2] == b'\\\\': out.append(0x5c); i += 2
        elif b[i] == 0x5c: out.append(int(b[i+1:i+3], 16)); i += 3
        else: out.append(b[i]); i += 1
    return bytes(out)
keys = [unescape(k) for k in items[0::2]]
urls = []
for k in keys:
    if len(k) >= 13 and k.endswith(b'\0' * 5):
        total, counted = struct.unpack('<II', k[:8])
        assert total == len(k) and counted == len(k) - 12, k
        urls.append(k[8:-5])
want = [m.group(1).encode() for m in re.finditer(r'^url = (.*)$', open(sys.argv[2], encoding='utf-8').read(), re.M)]
print('keys', len(keys), 'urls', len(urls), 'described', len(want))
print('same' if sorted(urls) == sorted(want) else 'DIFFERENT')
PY
cat "$work/keys.txt"
check "FAT.DB keys are the described URLs" grep -qx same "$work/keys.txt"
check "three bookkeeping records beside the URLs" grep -q "^keys 22 urls 19 " "$work/keys.txt"

# Every page decodes in its charset and carries its title.
page() {  # page URL CHARSET TITLE
  local file
  file=$(awk -F'\t' -v u="$1" '$1 == u { print $2 }' "$out/manifest.tsv" | sed 's/\\x5C/\//g')
  iconv -f "$2" -t UTF-8 "$profile/Cache/$file" 2>/dev/null | grep -q "<TITLE>$3</TITLE>"
}
check "Shift_JIS top page"   page "http://www.example.co.jp/" SHIFT_JIS "サンプル商事株式会社 ホームページ"
check "EUC-JP products page" page "http://www.example.co.jp/products/index.html" EUC-JP "製品案内 - サンプル商事"
check "ISO-2022-JP news"     page "http://www.example.co.jp/news/1999/0304.html" ISO-2022-JP "ニュース 1999年3月4日"
check "UTF-8 refresh page"   page "http://www.example.co.jp/news/refresh.html" UTF-8 "最新ニュースへ移動します"
check "CGI search page"      page "http://cgi.example.ne.jp/cgi-bin/search.cgi?q=%93%FA%96%7B&lang=ja" SHIFT_JIS "「日本」の検索結果 - サンプル検索"
check "images are GIF and PNG by their signatures" python3 - "$out/manifest.tsv" "$profile/Cache" <<'PY'
import sys
ok = True
for line in open(sys.argv[1], encoding='latin-1'):
    f = line.rstrip('\n').split('\t')
    if line.startswith('#') or len(f) != 7 or f[6] != 'ok' or not f[2].startswith('image/'):
        continue
    head = open(sys.argv[2] + '/' + f[1].replace('\\x5C', '/'), 'rb').read(8)
    want = {'image/gif': b'GIF89a', 'image/png': b'\x89PNG\r\n\x1a\n'}[f[2]]
    ok = ok and head.startswith(want)
sys.exit(0 if ok else 1)
PY
missing=$(awk -F'\t' '$7 == "missing-body" { print $2 }' "$out/manifest.tsv")
check "a missing body is listed and absent" bash -c "[ -n '$missing' ] && [ ! -e '$profile/Cache/$missing' ]"

# Registry and profile files.
check "CurrentUser in user.reg" grep -qx '"CurrentUser"="taro"' "$out/user.reg"
check "Install Directory in user.reg" grep -qxF '"Install Directory"="C:\\Program Files\\Netscape\\Communicator\\Program"' "$out/user.reg"
check "App Paths in system.reg" grep -qF '[Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe]' "$out/system.reg"
check "REGEDIT4 export" bash -c "head -1 '$out/netscape.reg' | grep -q '^REGEDIT4'"
check "bookmark.htm is Shift_JIS with folders" bash -c "iconv -f SHIFT_JIS -t UTF-8 '$profile/bookmark.htm' | grep -q '<H3 ADD_DATE=\"920548800\">仕事</H3>'"
check "prefs.js without a cache folder" bash -c "! grep -q browser.cache.directory '$profile/prefs.js'"

exit $fail
