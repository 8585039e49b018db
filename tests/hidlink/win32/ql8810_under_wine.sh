#!/usr/bin/env bash
# Runs ql8810.exe under Wine against Wine's own SetupAPI and HID services and
# shows what it printed.
#   ql8810_under_wine.sh WINE_RUN QL8810_EXE CHECKER_EXE list
#     `--trace list`: exit 0, one line per interface, "INDEX PATH VID:PID
#     SERIAL "PRODUCT" PORT", identifiers matching the path's; nothing traced.
#   ql8810_under_wine.sh WINE_RUN QL8810_EXE CHECKER_EXE level
#     `--trace level 12` without the board: exit 1, the search traced in full
#     (checked by CHECKER_EXE).
# Wine's virtual mouse and keyboard may both be there, or not, and may come
# while the prefix is young: their number is never assumed, not even from one
# run to the next.
set -u
run=$1 exe=$2 checker=$3 mode=$4
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

fail() {
  echo "FAILED: $*"
  exit 1
}

# Runs the tool and shows its output; returns its exit status.
tool() {
  "$run" "$exe" "$@" </dev/null >"$out" 2>"$err"
  local status=$?
  echo "== ql8810.exe $* (exit status $status)"
  echo "-- standard output:"
  tr -d '\r' <"$out"
  echo "-- standard error:"
  tr -d '\r' <"$err"
  return $status
}

check_listing() {
  tool --trace list
  local status=$? index=0 line path vid pid
  [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
  [ ! -s "$err" ] || fail "something was traced or reported"
  local re='^([0-9]+) (\\\\\?\\[^ ]+) ([0-9A-F]{4}):([0-9A-F]{4}) [^ ]+ "([^"\\]|\\.)*" [^ ]+( board)?$'
  while IFS= read -r line; do
    line=${line%$'\r'}
    [[ $line =~ $re ]] || fail "unexpected line: $line"
    [ "${BASH_REMATCH[1]}" -eq "$index" ] || fail "index ${BASH_REMATCH[1]}, expected $index"
    path=${BASH_REMATCH[2]} vid=${BASH_REMATCH[3]} pid=${BASH_REMATCH[4]}
    shopt -s nocasematch
    [[ $path == *"vid_${vid}&pid_${pid}"* ]] || fail "$vid:$pid does not match $path"
    shopt -u nocasematch
    index=$((index + 1))
  done <"$out"
  echo "== listing checked: $index interface(s)"
}

check_search() {
  tool --trace level 12
  local status=$?
  [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
  "$run" "$checker" <"$err" || fail "the trace"
}

case $mode in
  list) check_listing ;;
  level) check_search ;;
  *) fail "unknown mode $mode" ;;
esac
