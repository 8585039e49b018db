#!/bin/busybox sh
# /init of the kernel benchmark's guest (scripts/bench-qemu): the board
# emulator on uhid at the highest real-time priority, so that the kernel's
# uhid queue never overflows, then in turn `ql8810 sweep`, the hidapi
# yardstick, the Python sweep and the C sweep through libql8810 (these two
# chrooted into the host's root), each writing the same reports. One
# "bench-run" line per run; the host computes the figures. /etc/bench.conf
# sets REPEAT, PAIRS and HOST_REPO.
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
HOST=/host
host_root_mount "$HOST" "$HOST_REPO" || finish "the host's root did not mount"
# A command chrooted into the host's root, with the library and the Python
# package of the host's build tree; a script, for cpu_time to run.
printf '#!/bin/sh\nexec chroot %s /usr/bin/env -i PATH=/usr/bin:/bin LANG=C.UTF-8 PYTHONDONTWRITEBYTECODE=1 PYTHONPATH=%s/python QL8810_LIBRARY=%s/build/ci/libql8810/libql8810.so.1 "$@"\n' \
  "$HOST" "$HOST_REPO" "$HOST_REPO" >/bin/in-host && chmod +x /bin/in-host

# Prints "bench-run NAME REPORTS STATUS USER_US SYSTEM_US RECEIVED [SWEEP_US]":
# the reports the emulator logged are counted once it has caught up, or
# after 20 s; SWEEP_US, the CPU time over the sends alone, from the programs
# that measure it themselves.
run() {  # NAME REPORTS COMMAND...
  name=$1 reports=$2
  shift 2
  : >emu.log
  echo "- -" >cpu.txt
  cpu_time cpu.txt "$@" >out.txt 2>&1
  status=$?
  wait_for caught_up
  read -r user system _ <cpu.txt
  echo "bench-run $name $reports $status $user $system $(received) $(sed -n 's/^sweep_cpu_us //p' out.txt)"
  [ "$status" -eq 0 ] || sed "s/^/  | /" out.txt
}
# Each program runs once with one sweep's reports and once with all of them:
# the difference is the cost of the extra reports without the start-up, which
# differs (a static program against a dynamic one that loads libudev).
sweep() {
  run "$1" 32 ql8810 sweep 0 31
  run "$1" $((32 * REPEAT)) ql8810 sweep 0 31 --repeat "$REPEAT"
}
# The same with its trace streamed to standard error, thrown away.
traced_sweep() {
  run "$1" 32 sh -c 'exec ql8810 --trace sweep 0 31 2>/dev/null'
  run "$1" $((32 * REPEAT)) sh -c "exec ql8810 --trace sweep 0 31 --repeat $REPEAT 2>/dev/null"
}
yardstick() {
  run "$1" 32 hidapi_write_loop 32
  run "$1" $((32 * REPEAT)) hidapi_write_loop $((32 * REPEAT))
}
python_sweep() {
  run "$1" 32 in-host python3 "$HOST_REPO/bench/python_sweep.py" 32
  run "$1" $((32 * REPEAT)) in-host python3 "$HOST_REPO/bench/python_sweep.py" $((32 * REPEAT))
}
c_sweep() {
  run "$1" 32 in-host "$HOST_REPO/build/ci/bench/ql_c_sweep" 32
  run "$1" $((32 * REPEAT)) in-host "$HOST_REPO/build/ci/bench/ql_c_sweep" $((32 * REPEAT))
}

# One round first to warm up, not counted; then each round starts one
# program further on, so that a drift in the machine's speed favours none.
sweep warm-up-sweep
traced_sweep warm-up-traced
yardstick warm-up-hidapi
python_sweep warm-up-python
c_sweep warm-up-c
set -- "sweep sweep" "traced_sweep traced" "yardstick hidapi" "python_sweep python" "c_sweep c"
i=1
while [ "$i" -le "$PAIRS" ]; do
  for program in "$@"; do $program; done
  first=$1
  shift
  set -- "$@" "$first"
  i=$((i + 1))
done
say "uhid queue overflows in the kernel's log: $(dmesg | grep -c 'queue is full')"
finish ok
