#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get, runs both programs from the
# installed place and checks the package and its metadata:
#   - tollhaven-cli --prefix <sample> list, run from /usr/bin with a fresh HOME:
#     settings go to ~/.config/tollhaven/, nothing is written beside the executable;
#   - `where` names the settings folder and the help file the programs use;
#   - the window under Xvfb with a screenshot;
#   - lintian (errors fatal),
#     desktop-file-validate, appstreamcli validate, man pages.
# The package is removed again at the end.  Needs root (apt-get) and a built BUILD_DIR.
#   bash scripts/package-check.sh [BUILD_DIR] [SCREENSHOT.png]
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$src/build}" && pwd)
shot=${2:-}
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
work=$(mktemp -d "${TMPDIR:-/tmp}/th-package.XXXXXX")
installed=0
cleanup() {
  if [ "$installed" = 1 ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y tollhaven >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "package-check: $*" >&2; exit 1; }

echo "-- building the package"
cmake --build "$build" >/dev/null
rm -f "$build"/tollhaven_*.deb
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$build"/tollhaven_*.deb)
echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no Qt dependency from the library scan"

echo "-- lintian"
# Errors fail the check; warnings and notes are shown.  No tag is overridden: what
# remains are notes (hardening-no-fortify-functions: the build's flags are the
# project's own; binary-has-unneeded-section .comment: strip keeps it).
lintian --fail-on error --tag-display-limit 0 "$deb" | tee "$work/lintian.txt" || fail "lintian found errors"

echo "-- installing"
cp "$deb" "$work/"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "$work/$(basename "$deb")" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get install failed"; }
installed=1
for f in /usr/bin/tollhaven /usr/bin/tollhaven-cli /usr/share/tollhaven/tollhaven.hlp \
         /usr/share/applications/org.tollhaven.Tollhaven.desktop \
         /usr/share/metainfo/org.tollhaven.Tollhaven.metainfo.xml \
         /usr/share/icons/hicolor/scalable/apps/tollhaven.svg \
         /usr/share/icons/hicolor/48x48/apps/tollhaven.png \
         /usr/share/icons/hicolor/256x256/apps/tollhaven.png \
         /usr/share/man/man1/tollhaven.1.gz /usr/share/man/man1/tollhaven-cli.1.gz \
         /usr/share/bash-completion/completions/tollhaven-cli /usr/share/doc/tollhaven/copyright; do
  [ -e "$f" ] || fail "not installed: $f"
done

echo "-- metadata"
desktop-file-validate /usr/share/applications/org.tollhaven.Tollhaven.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.tollhaven.Tollhaven.metainfo.xml
for page in tollhaven tollhaven-cli; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
done
bash -c 'source /usr/share/bash-completion/bash_completion 2>/dev/null || true
         source /usr/share/bash-completion/completions/tollhaven-cli
         complete -p tollhaven-cli' >/dev/null || fail "bash completion does not load"

echo "-- running the installed programs"
bash "$src/scripts/make-sample.sh" "$build" "$work/sample" >/dev/null
export HOME="$work/home" XDG_CONFIG_HOME=
mkdir -p "$HOME"
before=$(ls -A /usr/bin /usr/share/tollhaven | sort | md5sum)
where=$(cd "$work" && /usr/bin/tollhaven-cli --prefix "$work/sample" where)
grep -qx "settings	$HOME/.config/tollhaven/" <<<"$where" || fail "settings not under ~/.config: $where"
# The window takes its help file from the same place.
grep -qx "help_file	/usr/share/tollhaven/tollhaven.hlp" <<<"$where" || fail "help file not found: $where"
(cd "$work" && /usr/bin/tollhaven-cli --prefix "$work/sample" list) > "$work/list.tsv"
rows=$(($(wc -l < "$work/list.tsv") - 1))
[ "$rows" -eq 17 ] || fail "list gave $rows rows, expected 17"
(cd "$work" && /usr/bin/tollhaven-cli --prefix "$work/sample" export --all --to "$work/copy") >/dev/null
[ -f "$HOME/.config/tollhaven/renameList.dat" ] || fail "export kept no settings under ~/.config/tollhaven"
echo "list: $rows rows; settings in ~/.config/tollhaven: $(ls "$HOME/.config/tollhaven" | tr '\n' ' ')"
[ -n "$shot" ] || shot="$work/installed.png"
case "$shot" in /*) ;; *) shot="$PWD/$shot" ;; esac
xvfb-run -a -s "-screen 0 1280x800x24" env TZ=Asia/Tokyo QT_QPA_PLATFORM=xcb \
  /usr/bin/tollhaven --prefix "$work/sample" --select http://www.example.co.jp/ --screenshot "$shot"
[ -s "$shot" ] || fail "no screenshot"
[ "$(head -c 4 "$shot" | tail -c 3)" = PNG ] || fail "screenshot is not a PNG"
after=$(ls -A /usr/bin /usr/share/tollhaven | sort | md5sum)
[ "$before" = "$after" ] || fail "the programs wrote beside their installed files"
echo "window: screenshot $shot ($(stat -c %s "$shot") bytes)"
echo "package-check: ok"
