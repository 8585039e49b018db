#!/usr/bin/env bash
# ql8810.exe serve under Wine (Winsock through Wine), on the simulated board,
# answered by PyVISA on this machine's side: *IDN?, a level, a sweep, an
# error read back, and the server stopped.
#   serve_under_wine.sh WINE_RUN QL8810_EXE
# Exit status 77 (skipped) without Debian's python3 with pyvisa.
set -u
run=$1 exe=$2
/usr/bin/python3 -c 'import pyvisa, pyvisa_py' 2>/dev/null || { echo "SKIPPED: no pyvisa"; exit 77; }
log=$(mktemp)
pid=
cleanup() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null
  rm -f "$log"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*"
  tr -d '\r' <"$log" | sed 's/^/  | /'
  exit 1
}
"$run" "$exe" --simulate serve --listen 127.0.0.1:0 </dev/null 2>"$log" >/dev/null &
pid=$!
port=
for _ in $(seq 600); do
  port=$(tr -d '\r' <"$log" | sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\);.*/\1/p')
  [ -n "$port" ] && break
  kill -0 "$pid" 2>/dev/null || fail "ql8810.exe ended"
  sleep 0.1
done
[ -n "$port" ] || fail "ql8810.exe serve did not listen within 60 s"
echo "ql8810.exe serve listens on 127.0.0.1:$port"
/usr/bin/python3 -W ignore - "$port" <<'PY' || fail "PyVISA's session"
import sys
import pyvisa
kit = pyvisa.ResourceManager("@py").open_resource(
    f"TCPIP0::127.0.0.1::{sys.argv[1]}::SOCKET", read_termination="\n", write_termination="\n",
    timeout=20000)
assert kit.query("*IDN?") == "Corvane,QL8810 Eval Kit,QL0001,0.9.1"
kit.write("DIMM:LEV 12")
assert kit.query("DIMM:LEV?") == "12"
assert kit.query("DIMM:SWE 0,31;*OPC?;DIMM?") == "1;31"
kit.write("DIMM:LEV 40")
assert kit.query("SYST:ERR?").startswith('-222,"Data out of range')
assert kit.query("DIAG:TEST? 1,128") == '"03 80 55 56 57 58 59 55"'
kit.close()
print("PyVISA: *IDN?, level 12, a sweep, -222 read back, the HID test")
PY
grep -q "closed 127.0.0.1:" <(tr -d '\r' <"$log") || fail "the closing was not logged"
kill "$pid"
pid=
echo "ql8810.exe serve answered PyVISA under Wine"
