# The network instrument in the end-to-end guest: `ql8810 serve --board
# QL0002` on the real kernel's HID stack with both emulated boards plugged,
# driven by PyVISA (the host's Python and its pyvisa, chrooted into the host's
# root; see guest-wine.sh) over the guest's loopback. Sourced by its /init;
# uses its check, say and show, and guest-python.sh's board_levels.

serve_client_ready() {
  [ -x "$HOST/usr/bin/python3" ] && in_host /usr/bin/python3 -c 'import pyvisa, pyvisa_py' 2>/dev/null
}
serve_listening() { grep -q "listening on 127.0.0.1:5025" serve.log; }

run_serve_checks() {  # name
  check "$1: serve: PyVISA in the host's root" serve_client_ready || return 0
  ip link set lo up
  : >emu1.log
  : >emu2.log
  ql8810 --board QL0002 serve >serve.log 2>&1 &
  server=$!
  check "$1: serve --board QL0002 listens on 127.0.0.1:5025" wait_for serve_listening
  in_host /usr/bin/python3 -W ignore -c '
import pyvisa
kit = pyvisa.ResourceManager("@py").open_resource(
    "TCPIP0::127.0.0.1::5025::SOCKET", read_termination="\n", write_termination="\n", timeout=30000)
print(kit.query("*IDN?"))
kit.write("DIMM:LEV 12")
print(kit.query("DIMM:SWE 0,31;*OPC?;DIMM?;SYST:ERR?"))
kit.close()' >pyvisa.txt 2>&1
  status=$?
  show pyvisa.txt
  check "$1: serve: PyVISA's session exits 0" [ "$status" -eq 0 ]
  check "$1: serve: *IDN? names QL0002" log_has pyvisa.txt '^Corvane,QL8810 Eval Kit,QL0002,0.9.1$'
  check "$1: serve: the sweep completed, no error" log_has pyvisa.txt '^1;31;0,"No error"$'
  check "$1: serve: board 2 took 12, then 0 to 31 in order" \
    wait_for board_levels_begin 2 "12 $(seq 0 31 | tr '\n' ' ')"
  check "$1: serve: board 1 took nothing" sh -c '! grep -q "^received" emu1.log'
  kill "$server"
  wait "$server"
  status=$?
  show serve.log
  check "$1: serve: stopped by SIGTERM with exit status 0" [ "$status" -eq 0 ]
}
