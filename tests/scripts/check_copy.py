#!/usr/bin/env python3
"""Checks a local copy made by `tollhaven-cli export` against the cache it came from.

The cache is read from the manifest.tsv that make-netscape-cache wrote beside it (what
went into FAT.DB, with body file names and dates), not through the program.  Pages are
read with Python's html.parser and links resolved with urllib, so nothing here shares
code with the program under test.

  check_copy.py PREFIX COPY_DIR [--base URL] [--folders 1|2] [--method 1|2|3]

Checks:
  * every file of the copy is the copy of one cached object: byte for byte for other
    files, and for HTML pages equal to the body except inside the values of href, src,
    background (and a refresh's content), with a base tag's href dropped;
  * every copied file carries its object's modification time;
  * every cached object below the base URL was copied; with method 2 and 3 every cached
    image or background that a copied page uses (same host only for 2) was copied too;
  * every href/src/background (and refresh URL) of a copied page whose target was
    copied leads, relative to the page, to that target's file; no rewritten link keeps
    a scheme or an absolute path, and every link stays inside the copy (targets that
    were not copied lead to where their copy would lie);
  * fragments are followed: "#x" leads to the same page, and a link's fragment is kept
    as a fragment wherever the link leads;
  * each page is decoded in its own encoding (declared, else detected) before its links
    are resolved; a page that was 7-bit stays 7-bit, and style sheets are pulled in
    with images;
  * no folder of the copy holds two names that differ only in case (one tree folder,
    one local folder).
"""
import argparse
import html.parser
import os
import re
import sys
import urllib.parse

LINK_ATTRS = ("href", "src", "background")
SKIP_SCHEMES = ("mailto:", "javascript:")
failures = []


def fail(message):
    failures.append(message)


def unescape_bytes(b):
    return re.sub(rb"\\x([0-9A-Fa-f]{2})", lambda m: bytes([int(m.group(1), 16)]), b)


def read_manifest(prefix):
    """The cached objects; URLs come as the browser stored them (CP932 bytes)."""
    entries = []
    fat_db = None
    with open(os.path.join(prefix, "manifest.tsv"), "rb") as f:
        for line in f:
            line = line.rstrip(b"\n")
            if line.startswith(b"# fat.db\t"):
                fat_db = line.split(b"\t", 1)[1].decode("cp932")
                continue
            if not line or line.startswith(b"#"):
                continue
            url, name, ctype, charset, length, modified, state = line.split(b"\t")
            if state != b"ok":
                continue
            entries.append({"url": unescape_bytes(url).decode("cp932", "surrogateescape"),
                            "file": unescape_bytes(name).decode("cp932", "surrogateescape"),
                            "type": ctype.decode("latin-1").lower(),
                            "charset": charset.decode("latin-1"),
                            "modified": int(modified)})
    drive, rest = fat_db[0].lower(), fat_db[2:]
    cache_dir = os.path.join(prefix, "dosdevices", drive + ":",
                             *[p for p in rest.split("\\") if p][:-1])
    for e in entries:
        with open(os.path.join(cache_dir, *e["file"].split("\\")), "rb") as f:
            e["body"] = f.read()
    return entries


def is_html(entry):
    return "text/html" in entry["type"]


# ---- pages -------------------------------------------------------------------------

CODECS = {"shift_jis": "cp932", "shift-jis": "cp932", "x-sjis": "cp932", "euc-jp": "euc_jp",
          "x-euc-jp": "euc_jp", "iso-2022-jp": "iso2022_jp", "utf-8": "utf-8",
          "iso-8859-1": "latin-1", "us-ascii": "latin-1", "windows-1252": "cp1252"}


def page_codec(data, declared=""):
    """The codec of a page: its META charset, else the charset the server sent, else
    what the bytes look like."""
    m = re.search(rb"charset\s*=\s*[\"']?([A-Za-z0-9_-]+)", data[:4096], re.I)
    for name in ((m.group(1).decode("latin-1") if m else ""), declared):
        if name in CODECS.values():
            return name
        codec = CODECS.get(name.lower().replace("_", "-"))
        if codec:
            return codec
    if b"\x1b$B" in data or b"\x1b$@" in data:
        return "iso2022_jp"
    try:
        data.decode("utf-8")
        return "utf-8"
    except UnicodeDecodeError:
        return "cp932"


def decode_page(data, declared=""):
    codec = page_codec(data, declared)
    # ISO-2022-JP may hold '<' inside its two-byte codes; it is read as text too.
    return data.decode(codec, "replace" if codec == "iso2022_jp" else "surrogateescape"), codec


class Events(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=False)
        self.events = []

    def handle_starttag(self, tag, attrs):
        self.events.append(("start", tag, self.get_starttag_text(), attrs))

    def handle_startendtag(self, tag, attrs):
        self.events.append(("start", tag, self.get_starttag_text(), attrs))

    def handle_endtag(self, tag):
        self.events.append(("end", tag))

    def handle_data(self, data):
        if self.events and self.events[-1][0] == "data":
            self.events[-1] = ("data", self.events[-1][1] + data)
        else:
            self.events.append(("data", data))

    def handle_comment(self, data):
        self.events.append(("comment", data))

    def handle_decl(self, decl):
        self.events.append(("decl", decl))

    def handle_pi(self, data):
        self.events.append(("pi", data))

    def handle_entityref(self, name):
        self.handle_data("&" + name + ";")

    def handle_charref(self, name):
        self.handle_data("&#" + name + ";")

    def unknown_decl(self, data):
        self.events.append(("decl", data))


def page_events(data, declared=""):
    text, _ = decode_page(data, declared)
    p = Events()
    p.feed(text)
    p.close()
    return p.events


ATTR_RE = re.compile(r"""(\s*)([^\s=>"']+)(?:(\s*=\s*)("[^"]*"|'[^']*'|[^\s>]*))?""")


def raw_attrs(raw):
    """(blank, name, separator, value) of each attribute in a raw start tag."""
    body = raw[1:-1]
    m = re.match(r"\S+", body)
    pos = m.end() if m else 0
    out = []
    while pos < len(body) and body[pos:].strip():
        m = ATTR_RE.match(body, pos)
        if not m or m.end() == pos:
            out.append(("", body[pos:], "", ""))
            break
        out.append((m.group(1), m.group(2), m.group(3) or "", m.group(4) or ""))
        pos = m.end()
    return out


def unquote_value(v):
    if len(v) >= 2 and v[0] == v[-1] and v[0] in "\"'":
        return v[1:-1]
    return v


def same_but_links(tag, orig_raw, copy_raw, where):
    a, b = raw_attrs(orig_raw), raw_attrs(copy_raw)
    if tag == "base":
        a = [x for x in a if x[1].lower() != "href"]
        b = [x for x in b if x[1].lower() != "href"]
    is_refresh = tag == "meta" and any(
        x[1].lower() == "http-equiv" and unquote_value(x[3]).lower() == "refresh" for x in a)
    if len(a) != len(b):
        fail(f"{where}: tag <{tag}> lost or gained attributes: {orig_raw!r} -> {copy_raw!r}")
        return
    for x, y in zip(a, b):
        name = x[1].lower()
        may_change = name in LINK_ATTRS or (is_refresh and name == "content")
        if (x[0], x[1]) != (y[0], y[1]) or (x[3] != y[3] and not may_change):
            fail(f"{where}: <{tag}> changed outside a link value: {orig_raw!r} -> {copy_raw!r}")
            return
        if x[2] != y[2] and x[2].strip() != "":
            fail(f"{where}: <{tag}> separator changed: {orig_raw!r} -> {copy_raw!r}")
            return


def compare_pages(orig, copy, where, declared=""):
    """The copy may differ from the body only inside link values; a missing base href
    is the one structural change.  Both are read in the body's encoding."""
    before = len(failures)
    codec = page_codec(orig, declared)
    ea = page_events(orig, declared)
    eb = page_events(copy, codec)
    if len(ea) != len(eb):
        fail(f"{where}: {len(ea)} tokens in the body, {len(eb)} in the copy")
        return False
    for x, y in zip(ea, eb):
        if x == y:
            continue
        if x[0] == "start" and y[0] == "start" and x[1] == y[1]:
            same_but_links(x[1], x[2], y[2], where)
        else:
            fail(f"{where}: differs outside tags: {x!r} -> {y!r}")
            return False
    # Links are written in ASCII, so a 7-bit page (ISO-2022-JP above all) stays 7-bit.
    if max(orig, default=0) < 0x80 and max(copy, default=0) >= 0x80:
        fail(f"{where}: a 7-bit page gained 8-bit bytes")
    return len(failures) == before


def refresh_url(attrs):
    """The URL of a meta refresh's content, without its quotes, or None."""
    d = {k: (v or "") for k, v in attrs}
    if d.get("http-equiv", "").lower() != "refresh":
        return None
    m = re.search(r";\s*url\s*=\s*(.*)$", d.get("content", ""), re.I | re.S)
    if not m:
        return None
    u = m.group(1).strip()
    if len(u) >= 2 and u[0] in "'\"" and u[-1] == u[0]:
        u = u[1:-1]
    return u


def links_of(events):
    """(tag, attribute, value, pulled) of every link attribute, in order, plus base
    hrefs and refresh URLs; `pulled` marks what methods 2 and 3 bring into the copy
    (images, backgrounds, style sheets)."""
    out = []
    for ev in events:
        if ev[0] != "start":
            continue
        rel = dict((k, v or "") for k, v in ev[3]).get("rel", "").lower()
        for name, value in ev[3]:
            if name in LINK_ATTRS:
                pulled = name in ("src", "background") or (
                    ev[1] == "link" and name == "href" and "stylesheet" in rel)
                out.append((ev[1], name, value if value is not None else "", pulled))
        if ev[1] == "meta":
            u = refresh_url(ev[3])
            if u is not None and u:
                out.append(("meta", "refresh", u, False))
    return out


# ---- the mirror --------------------------------------------------------------------

def escape_segment(seg):
    for ch in '\\/:*"<>|':
        seg = seg.replace(ch, "$%02x" % ord(ch))
    if seg in (".", ".."):
        seg = seg.replace(".", "$2e")
    return seg


def decode_escapes(text):
    """Percent escapes as old Japanese servers and browsers meant them: the bytes of a
    name read as UTF-8, else as Shift_JIS, else the name stays as written."""
    if "%" not in text:
        return text
    try:
        raw = text.encode("cp932", "surrogateescape")
    except UnicodeEncodeError:
        raw = text.encode("utf-8", "surrogateescape")
    raw = urllib.parse.unquote_to_bytes(raw)
    for codec in ("utf-8", "cp932"):
        try:
            return raw.decode(codec)
        except UnicodeDecodeError:
            pass
    return text


def split_url(url):
    cut = len(url)
    for ch in "?;#":
        i = url.find(ch)
        if i >= 0:
            cut = min(cut, i)
    path = url[:cut]
    slash = path.rfind("/")
    return path[:slash + 1], path[slash + 1:], url[cut:]


def url_key(url):
    """What makes two URLs one cached object: no fragment, escapes decoded once, case
    ignored (the tree ignores it)."""
    url = url.split("#", 1)[0]
    folder, name, extra = split_url(url)
    steps = [decode_escapes(s) for s in fold(folder).split("/")]
    return ("/".join(steps) + decode_escapes(name)).lower() + extra


def fold(url):
    while "//" in url:
        url = url.replace("//", "/")
    return url


def local_folder(url, base, folders):
    folder = fold(split_url(url)[0])
    fb = fold(base)
    if folders == 1 and fb and folder.lower().startswith(fb.lower()):
        folder = folder[len(fb):]
    segs = [decode_escapes(s) for s in folder.split("/") if s]
    return [escape_segment(s) for s in segs]


def find_dir(root, segs):
    """The folder below root, matching each name ignoring case (URLs that differ only
    in case share one folder)."""
    here = root
    for s in segs:
        if not os.path.isdir(here):
            return None
        names = os.listdir(here)
        exact = [n for n in names if n == s and os.path.isdir(os.path.join(here, n))]
        loose = [n for n in names if n.lower() == s.lower() and os.path.isdir(os.path.join(here, n))]
        pick = exact or loose
        if not pick:
            return None
        here = os.path.join(here, pick[0])
    return here


def name_stem(name):
    """The part of a local file name that survives the naming: the decoded, escaped
    name without extension, cut where a name too long for the disk is cut."""
    name = (decode_escapes(name) or "index.html").replace("\\", "$5c").replace("/", "$2f")
    stem = os.path.splitext(name)[0].lower()
    return stem[:40]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("prefix")
    ap.add_argument("copy")
    ap.add_argument("--base", default="")
    ap.add_argument("--folders", type=int, default=2)
    ap.add_argument("--method", type=int, default=1)
    args = ap.parse_args()

    entries = read_manifest(args.prefix)
    copy_root = os.path.realpath(args.copy)
    files = set()
    for dirpath, _, names in os.walk(copy_root):
        for n in names:
            files.add(os.path.join(dirpath, n))

    # 1. Each copied file belongs to exactly one cached object.
    owner = {}     # file -> entry
    copied = {}    # entry url -> file
    pending = {}
    for e in entries:
        folder = find_dir(copy_root, local_folder(e["url"], args.base, args.folders))
        if folder is None:
            continue
        _, name, _ = split_url(e["url"])
        stem = name_stem(name)
        cands = sorted(f for f in files
                       if os.path.dirname(f) == folder and os.path.basename(f).lower().startswith(stem))
        pending[e["url"]] = (e, cands)
    saved = list(failures)
    for url, (e, cands) in pending.items():
        for f in cands:
            if f in owner:
                continue
            with open(f, "rb") as fh:
                data = fh.read()
            if is_html(e):
                before = len(failures)
                ok = compare_pages(e["body"], data, f, e["charset"])
                del failures[before:]
                if not ok:
                    continue
            elif data != e["body"]:
                continue
            owner[f] = e
            copied[url] = f
            break
    failures[:] = saved

    for f in sorted(files - set(owner)):
        fail(f"{os.path.relpath(f, copy_root)}: not the copy of any cached object")
        # Say why for a page that was meant to be one.
        for e, cands in pending.values():
            if f in cands and is_html(e) and e["url"] not in copied:
                with open(f, "rb") as fh:
                    compare_pages(e["body"], fh.read(), f"{f} (as {e['url']})", e["charset"])

    # 2. Dates.
    for f, e in owner.items():
        mtime = int(os.stat(f).st_mtime)
        if mtime != e["modified"]:
            fail(f"{os.path.relpath(f, copy_root)}: modified {mtime}, cached {e['modified']}")

    # 3. Completeness: everything below the base.
    for e in entries:
        if e["url"].lower().startswith(args.base.lower()) and e["url"] not in copied:
            fail(f"{e['url']}: below the base but not copied")

    # 4. One local folder per tree folder: no names that differ only in case.
    for dirpath, dirnames, names in os.walk(copy_root):
        seen = {}
        for n in dirnames + names:
            if n.lower() in seen:
                fail(f"{os.path.relpath(dirpath, copy_root)}: {seen[n.lower()]!r} and {n!r} "
                     "differ only in case")
            seen[n.lower()] = n

    # 5. Links of the copied pages, each page read in its own encoding.
    by_url = {}
    for e in entries:
        by_url.setdefault(url_key(e["url"]), []).append(e)
    checked = 0
    base_host = urllib.parse.urlsplit(args.base).netloc.lower() if args.base else ""
    for url, f in sorted(copied.items()):
        e = owner[f]
        if not is_html(e):
            continue
        codec = page_codec(e["body"], e["charset"])
        with open(f, "rb") as fh:
            copy_events = page_events(fh.read(), codec)
        orig_events = page_events(e["body"], codec)
        orig_links, copy_links = links_of(orig_events), links_of(copy_events)
        doc_base = url
        ci = 0
        for tag, attr, value, pulled in orig_links:
            if tag == "base" and attr == "href":
                doc_base = urllib.parse.urljoin(doc_base, value)
                continue  # dropped from the copy
            if ci >= len(copy_links):
                fail(f"{url}: the copy has fewer links")
                break
            new = copy_links[ci][2]
            ci += 1
            where = f"{os.path.relpath(f, copy_root)}: {attr}={value!r} -> {new!r}"
            if value.lower().startswith(SKIP_SCHEMES):
                if new != value:
                    fail(f"{where}: mail or script link changed")
                continue
            if re.match(r"^[A-Za-z][A-Za-z0-9+.-]*:", new) or new.startswith("/"):
                fail(f"{where}: still absolute")
                continue
            value = value.strip()
            new_path, hash_mark, new_fragment = new.partition("#")
            link_path = urllib.parse.unquote_to_bytes(new_path).decode("utf-8", "surrogateescape")
            resolved = (os.path.normpath(os.path.join(os.path.dirname(f), link_path))
                        if link_path else f)
            inside = resolved == copy_root or resolved.startswith(copy_root + os.sep)
            if not inside:
                fail(f"{where}: leads out of the copy ({resolved})")
            # A place in the same page ("#x", "#") stays a place in the same page: the
            # fragment alone, or the page's own file and the fragment.
            if value.startswith("#"):
                if not hash_mark or new_fragment != value[1:] or \
                        os.path.realpath(resolved) != os.path.realpath(f):
                    fail(f"{where}: a link within the page no longer leads to the same page")
                continue
            target = urllib.parse.urljoin(doc_base, value.replace("&amp;", "&"))
            fragment = urllib.parse.urlsplit(target).fragment
            if fragment and new_fragment != fragment:
                fail(f"{where}: the fragment #{fragment} was not kept")
            if not fragment and hash_mark:
                fail(f"{where}: gained a fragment")
            cached = by_url.get(url_key(target), [])
            # Images and style sheets that the method pulls in must be there.
            if cached and pulled and args.method in (2, 3):
                host = urllib.parse.urlsplit(target).netloc.lower()
                wanted = args.method == 3 or host == base_host or not args.base
                if wanted and not any(c["url"] in copied for c in cached):
                    fail(f"{where}: the cached object was not pulled into the copy")
            copies = [copied[c["url"]] for c in cached if c["url"] in copied]
            if copies:
                checked += 1
                if not os.path.isfile(resolved):
                    fail(f"{where}: leads to {resolved}, which is not in the copy")
                elif os.path.realpath(resolved) not in [os.path.realpath(c) for c in copies]:
                    fail(f"{where}: leads to {resolved}, not the copy of {target}")
    print(f"check_copy: {len(files)} files, {len(copied)} cached objects matched, "
          f"{checked} links to copied objects resolved, {len(failures)} problems")
    for m in failures:
        print("  " + m, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
