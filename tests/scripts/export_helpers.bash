# Shared by the export scripts (sourced, not a test of its own): the command under
# test and the checks, with $work, $cli and $check set by the caller and $failed
# collecting the outcome.
failed=0
run() { "$cli" --prefix "$work/prefix" --settings "$work/settings" "$@"; }
expect() {  # expect STATUS DESCRIPTION COMMAND...
  local want=$1 what=$2
  shift 2
  local got=0
  "$@" >"$work/out.txt" 2>"$work/err.txt" </dev/null || got=$?
  if [ "$got" != "$want" ]; then
    echo "FAIL: $what: exit $got, expected $want"
    cat "$work/out.txt" "$work/err.txt"
    failed=1
  else
    echo "ok: $what"
  fi
}
check_copy() {  # check_copy DESCRIPTION COPY_DIR [check_copy options]
  local what=$1 dir=$2
  shift 2
  if python3 "$check" "$work/prefix" "$dir" "$@"; then
    echo "ok: $what checked"
  else
    echo "FAIL: $what: the copy does not hold up"
    failed=1
  fi
}
