#!/usr/bin/env bash
# The WARC export read by an independent reader: warcio (npm) must list every record of
# the sample's and of a generated cache's WARC with the right URI and status, and its
# CDXJ index must agree with the one tollhaven-cli writes.
#   bash tests/scripts/warc_warcio.sh BUILD_DIR SOURCE_DIR
# warcio is installed once into BUILD_DIR/warcio-npm (never into the source tree).
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
cli="$build/tollhaven-cli"
gen="$build/make-netscape-cache"
npmdir="$build/warcio-npm"
warcio="$npmdir/node_modules/.bin/warcio"
if [ ! -x "$warcio" ]; then
  command -v npm >/dev/null || { echo "npm is missing (scripts/setup.sh installs it)" >&2; exit 1; }
  mkdir -p "$npmdir"
  (cd "$npmdir" && npm install --no-audit --no-fund --loglevel=error warcio@2.4.11 >/dev/null)
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/th-warcio.XXXXXX")
trap 'rm -rf "$work"' EXIT

bash "$src/scripts/make-sample.sh" "$build" "$work/sample" >/dev/null
"$gen" --generate 1500 --seed 5 --faults 5 --hosts 12 "$work/gen" >/dev/null

check() {  # NAME PREFIX
  local name=$1 prefix=$2
  "$cli" --prefix "$prefix" --settings "$work" warc --all --to "$work/$name.warc.gz" --cdx \
    > "$work/$name.summary" 2> "$work/$name.stderr"
  "$warcio" index "$work/$name.warc.gz" \
    -f warc-type warc-target-uri http:status offset length warc-payload-digest > "$work/$name.index"
  "$warcio" cdx-index "$work/$name.warc.gz" > "$work/$name.warcio.cdxj"
  python3 - "$prefix/manifest.tsv" "$work/$name.index" "$work/$name.cdxj" \
    "$work/$name.warcio.cdxj" "$name" <<'PY'
import json, re, sys
manifest, index, ours, theirs, name = sys.argv[1:]
known = ("ftp:", "gopher:", "http:", "https:", "file:", "news:", "mailto:", "socks:",
         "javascript:", "vbscript:", "res:")
def target_uri(raw):
    out = ""
    for b in raw:
        if b <= 0x20 or b >= 0x7F or chr(b) in '"<>\\^`{|}':
            out += "%%%02X" % b
        else:
            out += chr(b)
    return out
expected = []
for line in open(manifest, "rb"):
    if line.startswith(b"#"):
        continue
    cols = line.rstrip(b"\r\n").split(b"\t")
    if len(cols) < 7 or cols[6] != b"ok":
        continue
    url = re.sub(rb"\\x([0-9A-Fa-f]{2})", lambda m: bytes([int(m.group(1), 16)]), cols[0])
    if url.lower().startswith(tuple(k.encode() for k in known)):
        expected.append(target_uri(url))
records = [json.loads(l) for l in open(index) if l.strip()]
problems = []
if not records or records[0].get("warc-type") != "warcinfo":
    problems.append("first record is not warcinfo")
got = [r.get("warc-target-uri") for r in records[1:]]
if sorted(got) != sorted(expected):
    missing = sorted(set(expected) - set(got))[:5]
    extra = sorted(set(got) - set(expected))[:5]
    problems.append("URIs differ: %d listed, %d expected; missing %s extra %s"
                    % (len(got), len(expected), missing, extra))
ours_by_offset = {}
for line in open(ours):
    key, ts, js = line.rstrip("\n").split(" ", 2)
    ours_by_offset[int(json.loads(js)["offset"])] = (key, ts, json.loads(js))
responses = 0
for r in records[1:]:
    o = ours_by_offset.get(r["offset"])
    if o is None:
        problems.append("no index line for offset %d" % r["offset"]); continue
    key, ts, js = o
    if r["warc-type"] == "response":
        responses += 1
        if str(r.get("http:status")) != js.get("status") or not 100 <= int(r["http:status"]) < 600:
            problems.append("status %s vs %s for %s" % (r.get("http:status"), js.get("status"), js["url"]))
    elif r["warc-type"] != "resource" or "http:status" in r or "status" in js:
        problems.append("resource with a status: %s" % js["url"])
    if js["url"] != r["warc-target-uri"] or int(js["length"]) != r["length"] \
            or "sha1:" + js["digest"] != r["warc-payload-digest"]:
        problems.append("index line differs from the record at %d" % r["offset"])
def lines(path):
    out = set()
    for line in open(path):
        key, ts, js = line.rstrip("\n").split(" ", 2)
        d = json.loads(js)
        # warcio keeps a resource record's type parameters ("; charset=..."); the
        # index names the media type alone, as for responses.
        d["mime"] = d["mime"].split(";")[0].strip().lower()
        out.add((key, ts) + tuple(sorted((k, str(v)) for k, v in d.items())))
    return out
mine, warcio_cdx = lines(ours), lines(theirs)
if mine != warcio_cdx:
    problems.append("CDXJ differs from warcio cdx-index: ours only %s, warcio only %s"
                    % (sorted(mine - warcio_cdx)[:3], sorted(warcio_cdx - mine)[:3]))
for p in problems[:10]:
    print(name + ": " + p)
print("%s: %d records listed by warcio (%d response, %d resource), %d expected: %s"
      % (name, len(got), responses, len(got) - responses, len(expected),
         "ok" if not problems else "FAILED"))
sys.exit(1 if problems else 0)
PY
}

status=0
check sample "$work/sample" || status=1
check generated "$work/gen" || status=1
exit $status
