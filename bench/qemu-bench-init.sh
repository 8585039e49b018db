#!/bin/busybox sh
# /init of the kernel benchmark's guest (scripts/bench-qemu): the board
# emulator on uhid at the highest real-time priority, so that the kernel's
# uhid queue never overflows, then alternately `ql8810 sweep` and the hidapi yardstick,
# each writing the same reports. One "bench-run" line per run; the host
# computes the figures. /etc/bench.conf sets REPEAT and PAIRS.
. /lib/guest.sh
guest_start
. /etc/bench.conf

say() { echo "bench: $*"; }
finish() {
  echo "BENCH DONE: $1"
  poweroff -f
}
received() { grep -c '^received ' emu.log; }
caught_up() { [ "$(received)" -ge "$reports" ]; }

say "kernel $(uname -r), $((32 * REPEAT)) reports per run, $PAIRS pairs"
modprobe -a hid hid-generic uhid || finish "no uhid modules"
: >emu.log
realtime ql8810-board-emulator --uhid >>emu.log 2>&1 &
wait_for board_listed || {
  sed "s/^/  | /" emu.log
  finish "the emulated board never showed up"
}
# Fields 40 and 41 of stat: real-time priority and policy (1: FIFO).
read -r priority policy <<EOF
$(cut -d' ' -f40,41 /proc/$!/stat)
EOF
[ "$policy" = 1 ] || finish "the emulator is not real-time (policy $policy)"
say "emulator at real-time priority $priority"

# Prints "bench-run NAME REPORTS STATUS USER_US SYSTEM_US RECEIVED": the
# reports the emulator logged are counted once it has caught up, or after 20 s.
run() {  # NAME REPORTS COMMAND...
  name=$1 reports=$2
  shift 2
  : >emu.log
  echo "- -" >cpu.txt
  cpu_time cpu.txt "$@" >out.txt 2>&1
  status=$?
  wait_for caught_up
  read -r user system <cpu.txt
  echo "bench-run $name $reports $status $user $system $(received)"
  [ "$status" -eq 0 ] || sed "s/^/  | /" out.txt
}
# Each program runs once with one sweep's reports and once with all of them:
# the difference is the cost of the extra reports without the start-up, which
# differs (a static program against a dynamic one that loads libudev).
sweep() {
  run "$1" 32 ql8810 sweep 0 31
  run "$1" $((32 * REPEAT)) ql8810 sweep 0 31 --repeat "$REPEAT"
}
yardstick() {
  run "$1" 32 hidapi_write_loop 32
  run "$1" $((32 * REPEAT)) hidapi_write_loop $((32 * REPEAT))
}

# One pair first to warm up, not counted; then each pair in turn starts with
# the other program, so that a drift in the machine's speed favours neither.
sweep warm-up-sweep
yardstick warm-up-hidapi
i=1
while [ "$i" -le "$PAIRS" ]; do
  if [ $((i % 2)) -eq 1 ]; then
    sweep sweep
    yardstick hidapi
  else
    yardstick hidapi
    sweep sweep
  fi
  i=$((i + 1))
done
say "uhid queue overflows in the kernel's log: $(dmesg | grep -c 'queue is full')"
finish ok
