#!/usr/bin/env bash
# The bash completion of ql8810, as bash-completion runs it: what a Tab
# offers after each of a table of command lines, with the built tool on the
# PATH and the simulated PC's two boards for --board.
#   completion_test.sh COMPLETION_FILE TOOL_DIR
# Exit status 77 (skipped) without bash-completion.
set -u
completion=$1
export PATH=$2:$PATH
main=/usr/share/bash-completion/bash_completion
[ -f "$main" ] || { echo "SKIPPED: no bash-completion"; exit 77; }
# shellcheck disable=SC1090
source "$main"
# shellcheck disable=SC1090
source "$completion"
# Outside a real completion bash refuses compopt; what it would set is not
# what is checked here.
compopt() { :; }

failures=0
# The line up to the cursor, split as bash would, and what must be offered.
expect() {  # LINE EXPECTED...
  local line=$1
  shift
  read -r -a COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$line COMP_POINT=${#line}
  COMPREPLY=()
  _ql8810 ql8810 "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
  local want
  want=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
  if [ "$got" != "$want" ]; then
    echo "FAIL: '$line': offered [$got], expected [$want]"
    failures=$((failures + 1))
  fi
}

expect "ql8810 " level break zeb read sweep list watch test caps serve
expect "ql8810 --board QL0001 serve --" --listen --allow --idle-timeout --trace --board --help
expect "ql8810 serve --allow a" any
expect "ql8810 s" sweep serve
expect "ql8810 --tr" --trace
expect "ql8810 --simulate=t" two two-no-serial
expect "ql8810 --simulate m" mute
expect "ql8810 --simulate absent l" level list
expect "ql8810 sweep 0 31 --" --step --interval-ms --repeat --trace --board --help
expect "ql8810 --simulate list --j" --json
expect "ql8810 watch --c" --count
expect "ql8810 --simulate=two --board " '#1' QL0001 'PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)' \
  '#2' QL0002 'PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)'
expect "ql8810 --simulate=two --board QL" QL0001 QL0002
expect "ql8810 --simulate=two-no-serial --board " '#1' 'PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)' \
  '#2' 'PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)'
expect "ql8810 --simulate=none --board "
expect "ql8810 level --step "

[ "$failures" -eq 0 ] && echo "completion: every line offered what it should"
exit $((failures > 0))
