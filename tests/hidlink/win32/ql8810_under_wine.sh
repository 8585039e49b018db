#!/usr/bin/env bash
# Runs ql8810.exe under Wine against Wine's own SetupAPI and HID services and
# shows what it printed.
#   ql8810_under_wine.sh WINE_RUN QL8810_EXE CHECKER_EXE list
#     `--trace list`: exit 0, one line per interface, "INDEX PATH VID:PID",
#     identifiers matching the path's; nothing traced.
#   ql8810_under_wine.sh WINE_RUN QL8810_EXE CHECKER_EXE level
#     `--trace level 12` without the board: exit 1, the search traced in full
#     (checked by CHECKER_EXE), through the same interfaces as the listing.
# Wine's virtual mouse and keyboard may both be there, or not: their number is
# never assumed.
set -u
run=$1 exe=$2 checker=$3 mode=$4
out=$(mktemp) err=$(mktemp) listing=$(mktemp)
trap 'rm -f "$out" "$err" "$listing"' EXIT

fail() { echo "FAILED: $*"; exit 1; }

# Runs the tool, shows its output with its exit status; the status is returned.
tool() {
  "$run" "$exe" "$@" </dev/null >"$out" 2>"$err"
  local status=$?
  echo "== ql8810.exe $* (exit status $status)"
  echo "-- standard output:"; tr -d '\r' <"$out"
  echo "-- standard error:"; tr -d '\r' <"$err"
  return $status
}

tool --trace list
status=$?
[ "$status" -eq 0 ] || fail "list: exit status $status, expected 0"
[ ! -s "$err" ] || fail "list: traced something or complained"
index=0
while IFS= read -r line; do
  line=${line%$'\r'}
  re='^([0-9]+) (\\\\\?\\[^ ]+) ([0-9A-F]{4}):([0-9A-F]{4})$'
  [[ $line =~ $re ]] || fail "list: unexpected line: $line"
  [ "${BASH_REMATCH[1]}" -eq "$index" ] || fail "list: index ${BASH_REMATCH[1]}, expected $index"
  path=${BASH_REMATCH[2]} vid=${BASH_REMATCH[3]} pid=${BASH_REMATCH[4]}
  shopt -s nocasematch
  [[ $path == *"vid_${vid}&pid_${pid}"* ]] || fail "list: $vid:$pid does not match $path"
  shopt -u nocasematch
  echo "$path" >>"$listing"
  index=$((index + 1))
done <"$out"
echo "== listing checked: $index interface(s)"
[ "$mode" = list ] && exit 0

tool --trace level 12
status=$?
[ "$status" -eq 1 ] || fail "level: exit status $status, expected 1"
"$run" "$checker" <"$err" || fail "level: the trace"
tr -d '\r' <"$err" | sed -n 's/^    //p' | diff "$listing" - ||
  fail "level: the search went through other interfaces than the listing"
