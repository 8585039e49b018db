# Two kits on one bench in the end-to-end guest: two emulated boards at once,
# each with its own log, told apart by serial number and by port. Sourced by
# its /init after guest.sh; uses its check, say and show.

# Board N (1 or 2) is QL000N; its emulator logs to emuN.log.
two_pid1= two_pid2=
boards_listed() { [ "$(ql8810 list | grep -c ' board$')" -eq "$1" ]; }
wine_boards_listed() { [ "$(wine_tool list 2>/dev/null | grep -c ' board$')" -eq "$1" ]; }
board_got() { grep -q "^received $2\$" "emu$1.log"; }  # N REPORT
nobody_got() { ! grep -q "^received $1\$" emu1.log emu2.log; }

two_uhid_plug() {  # N
  realtime ql8810-board-emulator --uhid --serial "QL000$1" >>"emu$1.log" 2>&1 &
  eval "two_pid$1=\$!"
}
two_uhid_unplug() {  # N
  eval "kill \$two_pid$1 && wait \$two_pid$1"
  true
}

# Gadget N on dummy UDC N-1, its serial number in its strings; its emulator
# follows its /dev/hidg node.
two_gadget_dir() { echo "/sys/kernel/config/usb_gadget/ql8810-$1"; }
two_usb_setup() {
  for n in 1 2; do
    g=$(two_gadget_dir "$n")
    mkdir "$g" && cd "$g" || return 1
    echo 0x0483 >idVendor && echo 0x0003 >idProduct && echo 0x0200 >bcdDevice
    mkdir strings/0x409 && echo "QL8810 interface board (gadget)" >strings/0x409/product &&
      echo "QL000$n" >strings/0x409/serialnumber
    mkdir functions/hid.board
    echo 0 >functions/hid.board/protocol && echo 0 >functions/hid.board/subclass
    echo 8 >functions/hid.board/report_length
    ql8810-board-emulator --print-descriptor >functions/hid.board/report_desc
    mkdir configs/c.1 && ln -s "$g/functions/hid.board" configs/c.1/
  done
  cd /tmp
}
two_usb_plug() {  # N
  echo "dummy_udc.$(($1 - 1))" >"$(two_gadget_dir "$1")/UDC" || return 1
  # A hidg node's number is its function's, given when the function was
  # made: the single-board gadget's is 0, these are 1 and 2.
  node=/dev/hidg$1
  wait_for [ -c "$node" ] || return 1
  realtime ql8810-board-emulator --gadget "$node" >>"emu$1.log" 2>&1 &
  eval "two_pid$1=\$!"
}
two_usb_unplug() {  # N
  eval "kill \$two_pid$1 && wait \$two_pid$1"
  echo "" >"$(two_gadget_dir "$1")/UDC"
}

run_two_board_checks() {  # path name, then the plug/unplug functions
  name="$1 (two boards)" plug=$2 unplug=$3
  say "---- $name ----"
  : >emu1.log
  : >emu2.log
  # One after the other, so that list order (and #N) is QL0001, QL0002.
  $plug 1 && wait_for boards_listed 1 && $plug 2
  check "$name: both listed" wait_for boards_listed 2
  ql8810 list >two-list.txt
  show two-list.txt
  check "$name: list shows QL0001 and QL0002" sh -c \
    'grep -q " 0483:0003 QL0001 .* board$" two-list.txt && grep -q " 0483:0003 QL0002 .* board$" two-list.txt'
  ql8810 list --json >two-list.json
  check "$name: list --json has QL0002" log_has two-list.json '"serial": "QL0002"'

  check "$name: --board QL0002 level 12 exits 0" ql8810 --board QL0002 level 12
  check "$name: board 2 received 01 01 06" wait_for board_got 2 "01 01 06 00 00 00 00 00"
  check "$name: board 1 received nothing" sh -c '! grep -q "^received" emu1.log'

  ql8810 --board QL0001 --trace level 5 2>two-trace.txt
  status=$?
  check "$name: --board QL0001 level 5 exits 0" [ "$status" -eq 0 ]
  check "$name: board 1 received 01 01 14" wait_for board_got 1 "01 01 14 00 00 00 00 00"
  check "$name: trace: QL0001's serial, then detected" sh -c \
    'grep -A1 "^  Serial Number: QL0001$" two-trace.txt | grep -q "^  My device detected$"'

  check "$name: --board '#2' level 3 exits 0" ql8810 --board '#2' level 3
  check "$name: board 2 received 01 01 18" wait_for board_got 2 "01 01 18 00 00 00 00 00"
  port=$(grep " QL0002 " two-list.txt | awk '{ print $(NF - 1) }')
  if [ "$port" != "-" ]; then
    check "$name: --board $port (the port) level 7 exits 0" ql8810 --board "$port" level 7
    check "$name: board 2 received 01 01 1C" wait_for board_got 2 "01 01 1C 00 00 00 00 00"
  fi

  ql8810 --board QL0009 level 1 >none.txt 2>&1
  status=$?
  show none.txt
  check "$name: --board QL0009 exits 1" [ "$status" -eq 1 ]
  check "$name: the boards present named" log_has none.txt '^ql8810: no board "QL0009" among 2: QL0001, QL0002$'
  check "$name: nothing written" nobody_got "01 01 10 00 00 00 00 00"

  # watch sees board 2 go and come back.
  ql8810 watch --count 2 >watch.txt 2>&1 &
  watcher=$!
  sleep 2
  $unplug 2
  check "$name: board 2 unplugged" wait_for boards_listed 1
  $plug 2
  check "$name: board 2 back" wait_for boards_listed 2
  wait_for sh -c "! kill -0 $watcher 2>/dev/null"
  kill "$watcher" 2>/dev/null
  show watch.txt
  check "$name: watch: QL0002 unplugged, then plugged" sh -c \
    'sed -n 1p watch.txt | grep -q " unplugged QL0002 " && sed -n 2p watch.txt | grep -q " plugged QL0002 "'

  run_python_checks "$name"
  run_serve_checks "$name"

  if [ "$1" = uhid ] && [ "$wine_ready" = yes ]; then
    check "$name: Wine's server and HID bus started" wine_start
    check "$name: both boards seen through winebus" wait_for wine_boards_listed 2
    wine_tool list >wine-two.txt
    show wine-two.txt
    : >emu2.log
    check "$name: wine: --board QL0002 level 12 exits 0" wine_tool --board QL0002 level 12
    check "$name: wine: board 2 received 01 01 06" wait_for board_got 2 "01 01 06 00 00 00 00 00"
    wine_stop
  fi
  $unplug 1
  $unplug 2
}
