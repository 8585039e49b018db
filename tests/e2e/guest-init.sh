#!/bin/busybox sh
# /init of the end-to-end test's guest: loads the HID modules, plays the board
# with the emulator over uhid and over a dummy-UDC USB gadget, and runs the
# ql8810 checks against the real kernel HID stack on both, then the same
# board through Wine's HID stack with the Windows ql8810.exe, a soak test of
# half a million reports, and a lab script in Python against two boards. Every line goes
# to the serial console; the host looks for the closing "E2E RESULT" line.
. /lib/guest.sh
. /lib/guest-wine.sh
. /lib/guest-two.sh
. /lib/guest-python.sh
. /lib/guest-soak.sh
. /lib/guest-serve.sh
guest_start

ok=0
failed=0
say() { echo "e2e: $*"; }
check() {
  what=$1
  shift
  if "$@"; then ok=$((ok + 1)); say "ok   $what"; else failed=$((failed + 1)); say "FAIL $what"; fi
}
board_gone() { ! board_listed; }
emulator_got() { grep -q "^received $1\$" emu.log; }
log_has() { grep -q "$2" "$1"; }
show() { sed "s/^/  | /" "$1"; }

# The board's hidraw node, found by vendor and product.
board_node() {
  for d in /sys/class/hidraw/hidraw*; do
    grep -q '^HID_ID=0003:00000483:00000003$' "$d/device/uevent" 2>/dev/null && {
      echo "${d##*/}"
      return 0
    }
  done
  return 1
}

# Every emulator runs at the real-time priority (bench/realtime.c), as a
# board's firmware takes each report when it comes: otherwise, on a busy
# host, the kernel's uhid queue (32 events) overflows during a burst and
# drops reports no real board would lose.
emu_pid=
start_emulator() {  # extra arguments, e.g. --mute
  realtime ql8810-board-emulator $EMU_ARGS "$@" >>emu.log 2>&1 &
  emu_pid=$!
}
stop_emulator() {
  if [ -n "$emu_pid" ]; then
    kill "$emu_pid" 2>/dev/null
    wait "$emu_pid" 2>/dev/null
  fi
  emu_pid=
  true
}

# uhid: the emulator creates the device, so starting and stopping it plugs
# and unplugs the board.
uhid_plug() { start_emulator "$@" && wait_for board_listed; }
uhid_unplug() { stop_emulator && wait_for board_gone; }

# USB: the gadget stays; its UDC binding plugs and unplugs the board. The
# gadget's /dev/hidg0 exists only while it is bound, so the emulator follows.
GADGET=/sys/kernel/config/usb_gadget/ql8810
usb_setup() {
  mount -t configfs none /sys/kernel/config || return 1
  mkdir "$GADGET" && cd "$GADGET" || return 1
  echo 0x0483 >idVendor && echo 0x0003 >idProduct && echo 0x0200 >bcdDevice
  mkdir strings/0x409 && echo "QL8810 interface board (gadget)" >strings/0x409/product
  mkdir functions/hid.board
  echo 0 >functions/hid.board/protocol && echo 0 >functions/hid.board/subclass
  echo 8 >functions/hid.board/report_length
  ql8810-board-emulator --print-descriptor >functions/hid.board/report_desc
  mkdir configs/c.1 && ln -s "$GADGET/functions/hid.board" configs/c.1/
  cd /tmp
}
hidg_there() { [ -c /dev/hidg0 ]; }
usb_plug() {
  echo dummy_udc.0 >"$GADGET/UDC" && wait_for hidg_there && start_emulator "$@" &&
    wait_for board_listed
}
usb_unplug() { stop_emulator && echo "" >"$GADGET/UDC" && wait_for board_gone; }

# A stalled board reads nothing. Behind the gadget its OUT endpoint's few
# queued requests fill, and from then on a write waits for the kernel's
# bound (5 s) or the Windows tool's own (1 s). Succeeds once a write failed.
stall_board() {
  kill -USR1 "$emu_pid" && wait_for log_has emu.log "^stalled" || return 1
  n=0
  while [ "$n" -lt 10 ]; do
    ql8810 level 4 2>/dev/null || return 0
    n=$((n + 1))
  done
  return 1
}
resume_board() { kill -USR2 "$emu_pid" && wait_for log_has emu.log "^resumed"; }

# A tool (ql8810, or wine_tool for ql8810.exe) against a board that stopped
# taking reports: level 5 fails with the operator's message within BOUND s,
# and once the board reads again (and SETTLE s more) level 6 goes through.
run_stall_checks() {  # name bound settle tool
  stall_name=$1 bound=$2 settle=$3
  shift 3
  check "$stall_name: stalled board: a write fails" stall_board
  t0=$(date +%s)
  "$@" level 5 >stall.txt 2>&1
  status=$? took=$(($(date +%s) - t0))
  show stall.txt
  check "$stall_name: stalled board: level 5 exits 1 after ${took} s (at most $bound s)" \
    [ "$status" -eq 1 -a "$took" -le "$bound" ]
  check "$stall_name: stalled board: the operator's message" \
    log_has stall.txt "Communication with Interface Board Failed"
  check "$stall_name: board resumed" resume_board
  sleep "$settle"
  check "$stall_name: after the stall: level 6 exits 0" "$@" level 6
  check "$stall_name: after the stall: emulator received level 6" \
    wait_for emulator_got "01 01 0C 00 00 00 00 00"
}

run_checks() {  # path name, then the plug/unplug functions
  name=$1 plug=$2 unplug=$3
  say "---- $name path ----"
  : >emu.log
  check "$name: board plugged" $plug
  ql8810 list | sed "s/^/  | /"
  check "$name: list shows the board" board_listed

  node=$(board_node)
  check "$name: caps of $node's descriptor" sh -c \
    "ql8810 caps --descriptor /sys/class/hidraw/$node/device/report_descriptor >caps.txt"
  show caps.txt
  check "$name: descriptor lengths 8/8/0" sh -c 'grep -q "^  Input Report Byte Length: 8$" caps.txt &&
    grep -q "^  Output Report Byte Length: 8$" caps.txt &&
    grep -q "^  Feature Report Byte Length: 0$" caps.txt'

  # A user without the udev rule's access is told what is missing.
  su -s /bin/sh operator -c 'ql8810 level 12' >denied.txt 2>&1
  status=$?
  show denied.txt
  check "$name: without access: level 12 exits 1" [ "$status" -eq 1 ]
  check "$name: without access: permission denied, rule named" sh -c \
    'grep -q "permission denied" denied.txt && grep -q "70-ql8810-eval.rules" denied.txt'

  check "$name: level 12 exits 0" sh -c 'ql8810 --trace level 12 2>trace.txt'
  show trace.txt
  check "$name: trace shows the search" log_has trace.txt "^  My device detected$"
  check "$name: trace shows input 8" log_has trace.txt "^  Input Report Byte Length: 8$"
  check "$name: trace shows output 8" log_has trace.txt "^  Output Report Byte Length: 8$"
  check "$name: trace shows feature 0" log_has trace.txt "^  Feature Report Byte Length: 0$"
  check "$name: trace shows the write" log_has trace.txt "^ NumberOfBytesWritten = 8$"
  check "$name: emulator received 01 01 06 00 00 00 00 00" \
    wait_for emulator_got "01 01 06 00 00 00 00 00"

  # hidraw hands an input report to every reader that has the node open, so
  # a waiting read sees the answer to another process's send.
  ql8810 read --timeout-ms 8000 >read.txt 2>read.err &
  reader=$!
  sleep 2
  ql8810 level 12 2>/dev/null
  wait "$reader"
  check "$name: read returns the answer 03 01 06 00 00 00 00 00" \
    grep -qx "03 01 06 00 00 00 00 00" read.txt

  $unplug
  check "$name: mute board plugged" $plug --mute
  ql8810 level 5 2>/dev/null
  ql8810 --trace read --timeout-ms 200 >read.txt 2>read.err
  status=$?
  check "$name: mute board: read times out" [ "$status" -eq 1 ]
  check "$name: mute board: trace shows the time-out" log_has read.err "^Readfile timeout$"
  $unplug
  check "$name: board plugged again" $plug

  # One process, three sends; the board goes between the first two and
  # comes back before the third would be due. The sweep tells of the failed
  # send once and stops there.
  ql8810 sweep 1 3 --interval-ms 5000 >sweep.out 2>sweep.err &
  sweeper=$!
  check "$name: sweep: first send arrives" wait_for emulator_got "01 01 10 00 00 00 00 00"
  check "$name: board removed" $unplug
  check "$name: sweep: second send fails with the message" \
    wait_for log_has sweep.err "Communication with Interface Board Failed"
  check "$name: board back" $plug
  wait "$sweeper"
  status=$?
  show sweep.err
  check "$name: sweep exits 1" [ "$status" -eq 1 ]
  check "$name: sweep: exactly one message" [ "$(grep -c Failed sweep.err)" -eq 1 ]
  check "$name: sweep: stopped, no third send" sh -c '! grep -q "^received 01 01 18 " emu.log'
  show emu.log

  # Linux: the kernel bounds a write behind the gadget at 5 s.
  if [ "$name" = usb ]; then run_stall_checks "$name" 12 0 ql8810; fi
  if [ "$wine_ready" = yes ]; then run_wine_checks "$name" $plug $unplug; fi
  $unplug
}

say "kernel $(uname -r), $(nproc) CPUs"
# scripts/e2e-qemu --only soak: the soak test alone, while working on it.
if [ "$(cat /etc/e2e-only 2>/dev/null)" = soak ]; then
  check "uhid modules" modprobe -a hid hid-generic uhid
  run_soak_checks
  say "$ok checks ok, $failed failing (the soak test only)"
  if [ "$failed" -eq 0 ]; then echo "E2E RESULT: PASS"; else echo "E2E RESULT: FAIL"; fi
  poweroff -f
fi
wine_ready=no
check "Wine over the host's root (9p, read-only)" wine_setup
check "uhid modules" modprobe -a hid hid-generic uhid
EMU_ARGS=--uhid
run_checks uhid uhid_plug uhid_unplug
run_soak_checks
run_two_board_checks uhid two_uhid_plug two_uhid_unplug

check "USB modules" modprobe -a usb-common usbcore usbhid udc-core configfs libcomposite usb_f_hid
# Two dummy UDCs: one gadget each for the bench of two boards.
check "two dummy UDCs" modprobe dummy_hcd num=2
check "USB gadget 0483:0003 set up" usb_setup
EMU_ARGS="--gadget /dev/hidg0"
run_checks usb usb_plug usb_unplug
check "two more USB gadgets, QL0001 and QL0002, set up" two_usb_setup
run_two_board_checks usb two_usb_plug two_usb_unplug

say "$ok checks ok, $failed failing"
if [ "$failed" -eq 0 ]; then echo "E2E RESULT: PASS"; else echo "E2E RESULT: FAIL"; fi
poweroff -f
