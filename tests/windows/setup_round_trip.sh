#!/usr/bin/env bash
# The setup program's round trip in a fresh Wine prefix, all silent (/S):
# install; check the files, the Start-menu shortcuts and the Add/Remove
# Programs entry; start the installed program once (smoke.sh); install again
# over it (an upgrade in place); try to uninstall while the program runs (it
# must stop with exit status 2 and leave the install whole); uninstall; check
# that nothing of it is left.
#   setup_round_trip.sh WINE_RUN SETUP_EXE SMOKE_SH PREFIX VERSION
set -u
run=$1 setup=$2 smoke=$3 version=$5
export QL_WINEPREFIX=$4
step_timeout=120

"$run" --stop-server
rm -rf "$QL_WINEPREFIX"
pid=
cleanup() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null
  "$run" --stop-server
  rm -rf "$QL_WINEPREFIX"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*"
  exit 1
}
step() { echo "== $*"; }

win_dir='C:\Program Files\QL8810 Eval Kit'
dir="$QL_WINEPREFIX/drive_c/Program Files/QL8810 Eval Kit"
menu="$QL_WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/QL8810 Eval Kit"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QL8810EvalKit'
files=(QL8810Eval.exe QL8810Eval-demo.exe ql8810.exe ql8810.dll ql8810.h ql8810.def
       "ql8810-$version-py3-none-win_amd64.whl" uninstall.exe)

# The value NAME of the uninstall entry, as reg.exe prints it.
reg_value() {
  timeout "$step_timeout" "$run" reg query "$key" /v "$1" </dev/null 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}

check_installed() {
  local f
  for f in "${files[@]}"; do
    [ -f "$dir/$f" ] || fail "$f is not in Program Files\\QL8810 Eval Kit"
  done
  for f in "QL8810 Eval Kit.lnk:QL8810Eval.exe" "QL8810 Eval Kit demo.lnk:QL8810Eval-demo.exe"; do
    [ -f "$menu/${f%%:*}" ] || fail "no Start-menu shortcut ${f%%:*}"
    strings -a -el "$menu/${f%%:*}" | grep -qF "${f#*:}" || strings -a "$menu/${f%%:*}" | grep -qF "${f#*:}" ||
      fail "the shortcut ${f%%:*} does not start ${f#*:}"
  done
  [ "$(ls "$menu" | wc -l)" -eq 2 ] || fail "the Start-menu folder holds: $(ls "$menu")"
  [ "$(reg_value DisplayName)" = "QL8810 Eval Kit" ] || fail "uninstall entry: DisplayName '$(reg_value DisplayName)'"
  [ "$(reg_value DisplayVersion)" = "$version" ] || fail "uninstall entry: DisplayVersion '$(reg_value DisplayVersion)'"
  [ "$(reg_value Publisher)" = "Corvane" ] || fail "uninstall entry: Publisher '$(reg_value Publisher)'"
  local size
  size=$(reg_value EstimatedSize)
  [ -n "$size" ] && ((size > 1000)) || fail "uninstall entry: EstimatedSize '$size' (KiB)"
  [[ $(reg_value UninstallString) == *'QL8810 Eval Kit\uninstall.exe'* ]] ||
    fail "uninstall entry: UninstallString '$(reg_value UninstallString)'"
  echo "files, shortcuts and the uninstall entry (size $((size)) KiB) are in place"
}

started=$SECONDS
step "a fresh Wine prefix"
"$run" --start-server
echo "made in $((SECONDS - started)) s"

step "install silently: $(basename "$setup") /S"
timeout "$step_timeout" "$run" "$setup" /S </dev/null
status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
check_installed

step "start the installed program"
"$smoke" "$run" "$win_dir\\QL8810Eval.exe" program
status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 77 ] || fail "the installed program's smoke test"

step "install again over it: an upgrade in place"
# A changed file must come back as the setup program has it.
sum=$(md5sum <"$dir/ql8810.exe")
echo changed >>"$dir/ql8810.exe"
timeout "$step_timeout" "$run" "$setup" /S </dev/null
status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
[ "$(md5sum <"$dir/ql8810.exe")" = "$sum" ] || fail "ql8810.exe was not replaced"
[ "$(find "$dir" -type f | wc -l)" -eq "${#files[@]}" ] ||
  fail "the install folder holds: $(cd "$dir" && find . -type f)"
check_installed

if [ -n "$("$run" --display)" ]; then
  step "uninstall while the program runs: refused, nothing removed"
  "$run" "$win_dir\\QL8810Eval.exe" </dev/null >/dev/null 2>&1 &
  pid=$!
  sleep 5
  kill -0 "$pid" 2>/dev/null || fail "the installed program did not keep running"
  # _?= runs the uninstaller in place, so that its exit status is seen. It is
  # found only unquoted at the end of the command line, which Wine quotes when
  # it holds a blank: from a batch file, the line is passed as written.
  printf '@"%s\\uninstall.exe" /S _?=%s\r\n@exit %%ERRORLEVEL%%\r\n' "$win_dir" "$win_dir" \
    >"$QL_WINEPREFIX/drive_c/uninstall-in-place.bat"
  timeout "$step_timeout" "$run" cmd /c 'C:\uninstall-in-place.bat' </dev/null
  status=$?
  [ "$status" -eq 2 ] || fail "exit status $status, expected 2"
  check_installed
  kill "$pid"
  wait "$pid" 2>/dev/null
  pid=
fi

step "uninstall silently"
# The uninstaller copies itself away and runs from there: wait for it.
timeout "$step_timeout" "$run" "$win_dir\\uninstall.exe" /S </dev/null
status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
end=$((SECONDS + step_timeout))
while [ -e "$dir" ] && ((SECONDS < end)); do sleep 0.5; done
[ ! -e "$dir" ] || fail "left behind: $(ls -A "$dir")"
[ ! -e "$menu" ] || fail "the Start-menu folder is left behind"
timeout "$step_timeout" "$run" reg query "$key" </dev/null >/dev/null 2>&1 && fail "the uninstall entry is left behind"
echo "nothing of it is left"
echo "== round trip: $((SECONDS - started)) s"
