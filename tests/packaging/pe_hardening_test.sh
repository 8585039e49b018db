#!/usr/bin/env bash
# The Windows programs and ql8810.dll are marked for ASLR (with high entropy)
# and DEP, as objdump reads their PE headers. (Control Flow Guard takes a
# compiler MinGW's GCC is not; none is asked for.)
#   pe_hardening_test.sh OBJDUMP FILE...
set -u
objdump=$1
shift
failures=0
for file in "$@"; do
  flags=$("$objdump" -p "$file" | sed -n '/^DllCharacteristics/,/^[A-Z]/p')
  for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
    grep -qw "$flag" <<<"$flags" || {
      echo "FAIL: $file: no $flag"
      failures=$((failures + 1))
    }
  done
  echo "$(basename "$file"): $(grep -oE 'DYNAMIC_BASE|HIGH_ENTROPY_VA|NX_COMPAT|GUARD_CF' <<<"$flags" | tr '\n' ' ')"
done
exit $((failures > 0))
