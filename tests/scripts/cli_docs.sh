#!/usr/bin/env bash
# The man page tollhaven-cli(1) and the bash completion name every command and every
# global option that `tollhaven-cli --help` lists.
#   bash tests/scripts/cli_docs.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
help=$("$build/tollhaven-cli" --help)
man="$src/packaging/linux/tollhaven-cli.1"
completion="$src/packaging/linux/tollhaven-cli.bash-completion"
# Man pages write "-" as "\-".
man_text=$(sed 's/\\-/-/g' "$man")
commands=$(awk '/^commands:/ {on = 1; next} on && !NF {on = 0} on {print $1}' <<<"$help")
options=$(awk '/^options/ {on = 1; next} /^commands:/ {on = 0} on {for (i = 1; i <= NF; i++) if ($i ~ /^--?[a-z]/) {sub(/,$/, "", $i); print $i}}' <<<"$help")
[ -n "$commands" ] && [ -n "$options" ] || { echo "cannot read --help" >&2; exit 1; }
missing=0
for word in $commands $options; do
  if ! grep -qE "(^\.B[IR]? |\\\\fB|\" )$word( |\\\\|$)" <<<"$man_text"; then
    echo "tollhaven-cli(1) does not describe $word"; missing=1
  fi
  if ! grep -qE "(\"| )$word( |\")" "$completion"; then
    echo "the bash completion does not offer $word"; missing=1
  fi
done
echo "$(wc -w <<<"$commands") commands and $(wc -w <<<"$options") global options checked"
exit $missing
