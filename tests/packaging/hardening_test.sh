#!/usr/bin/env bash
# Every program and library as built for the packages, read by devscripts'
# hardening-check: every line "yes", but for two that Debian 12 itself cannot
# give, which are checked another way instead:
# - "Control flow integrity": the x86 IBT/SHSTK property note is kept only
#   when every object linked carries it, and Debian 12's C start files
#   (crt1.o, crti.o, crtbeginS.o) carry none: no program linked there has it,
#   Debian's own neither. Where they do carry it, the line must read "yes";
#   here every function of ours must begin with endbr64 instead (what
#   -fcf-protection puts there).
# - "Stack clash protection: unknown": hardening-check finds the probes only
#   in a function whose frame is larger than a page. Checked instead: every
#   object of ours was compiled with -fstack-clash-protection (the build's
#   compile_commands.json).
# "Fortify Source functions" may read "no, only unprotected functions found"
# where every call left unfortified has a length unknown when compiling (no
# check can be added to those); the build must still have compiled every
# object with -D_FORTIFY_SOURCE=2 at -O2.
#   hardening_test.sh BUILD_DIR FILE...
set -u
build=$1
shift
command -v hardening-check >/dev/null || { echo "SKIPPED: no hardening-check (devscripts)"; exit 77; }
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

cet_in_crt=no
for crt in /usr/lib/x86_64-linux-gnu/crt1.o /usr/lib/x86_64-linux-gnu/crti.o; do
  [ -f "$crt" ] || continue
  readelf -n "$crt" | grep -q 'x86 feature: IBT, SHSTK' && cet_in_crt=yes || { cet_in_crt=no; break; }
done

for file in "$@"; do
  report=$(hardening-check "$file" 2>&1)
  echo "$report"
  while IFS= read -r line; do
    case $line in
      "$file:" | *": yes"* | *"regular shared library (ignored)"*) ;;
      *"Control flow integrity: no"*)
        [ "$cet_in_crt" = no ] || fail "$file: $line"
        # Our functions that may be called through a pointer (the global
        # ones; a local one whose address is never taken needs no mark)
        # begin with endbr64.
        missing=$(objdump -d --no-show-raw-insn "$file" | awk -v globals="$(nm --defined-only "$file" |
          awk '$2 == "T" && $3 ~ /^(_ZN2ql|ql8810_)/ && $3 !~ /\./ { print $3 }' | tr '\n' ' ')" '
          BEGIN { n = split(globals, g, " "); for (i = 1; i <= n; i++) want["<" g[i] ">:"] = 1 }
          /^[0-9a-f]+ </ && ($2 in want) { name = $2; getline; if ($2 != "endbr64") print name }' | head -3)
        [ -z "$missing" ] || fail "$file: functions without endbr64: $missing"
        ;;
      *"Stack clash protection: unknown"*) ;;
      *"Fortify Source functions: no, only unprotected functions found"*) ;;
      *) fail "$file: $line" ;;
    esac
  done <<<"$report"
done

# The flags every object of ours was compiled with.
commands=$build/compile_commands.json
[ -f "$commands" ] || fail "no $commands"
for flag in -D_FORTIFY_SOURCE=2 -O2 -fstack-protector-strong -fstack-clash-protection -fcf-protection; do
  without=$(grep '"command"' "$commands" | grep -v -- "/_deps/\|googletest" | grep -cv -- " $flag ")
  [ "$without" -eq 0 ] || fail "$without compile commands without $flag"
done
[ "$failures" -eq 0 ] && echo "hardening: every program and library checked"
exit $((failures > 0))
