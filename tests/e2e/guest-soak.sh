# A soak test of the Linux tool on the uhid board: one sweep of half a million
# reports, as engineers leave a kit running, counted by the board emulator,
# which checks that the levels came 0 to 31 over and over; and the tool's peak
# memory against that of a run of 1,024 reports. Sourced by the guest's /init
# after guest.sh; uses its check, say and show.
#
# uhid has no flow control: the kernel keeps 32 reports for the board and
# drops the next, where a USB board's endpoint would make the writer wait.
# Run side by side, the tool outpaces the emulator now and then (some
# thousands of half a million lost, seen here). So both run on the first CPU
# and the emulator at the real-time priority (bench/realtime.c): each report
# wakes it, and it takes the report before the tool writes the next, as a
# board that keeps up would.

SOAK_REPEATS=15625 # sweeps of 32: 500,000 reports
SHORT_REPEATS=32   # 1,024 reports

soak_peak_kib() { # the third figure cpu_time wrote: VmHWM in KiB
  read -r _ _ kib <"$1" && echo "$kib"
}

run_soak_checks() {
  : >soak-emu.log
  taskset 1 realtime ql8810-board-emulator --uhid --mute --soak >>soak-emu.log 2>&1 &
  soak_emu=$!
  check "soak: board plugged" wait_for board_listed
  taskset 1 cpu_time soak-short.txt ql8810 sweep 0 31 --repeat "$SHORT_REPEATS" 2>soak.err
  short_status=$?
  t0=$(date +%s)
  taskset 1 cpu_time soak-long.txt ql8810 sweep 0 31 --repeat "$SOAK_REPEATS" 2>>soak.err
  long_status=$? took=$(($(date +%s) - t0))
  show soak.err
  check "soak: both sweeps exit 0" [ "$short_status" -eq 0 -a "$long_status" -eq 0 ]
  # The last reports still on their way through uhid.
  sleep 2
  kill "$soak_emu"
  wait "$soak_emu"
  show soak-emu.log
  total=$((32 * (SHORT_REPEATS + SOAK_REPEATS)))
  check "soak: the board took all $total reports, 0 lost, 0 out of order" \
    grep -qx "soak: $total reports, 0 out of order" soak-emu.log
  short_kib=$(soak_peak_kib soak-short.txt) long_kib=$(soak_peak_kib soak-long.txt)
  say "soak: $((32 * SOAK_REPEATS)) reports in $took s; the tool's peak memory (VmHWM):" \
    "$short_kib KiB after $((32 * SHORT_REPEATS)) reports, $long_kib KiB after $((32 * SOAK_REPEATS))"
  check "soak: the tool's peak memory within 1 MiB of the short run's" \
    [ -n "$short_kib" -a -n "$long_kib" -a $((long_kib - short_kib)) -le 1024 ]
  wait_for board_gone
}
