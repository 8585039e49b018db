# A lab script in Python against two emulated boards in the end-to-end
# guest: the host's Python, the package from this repository and the release
# build's libql8810, chrooted into the host's root (see guest-wine.sh), on
# the guest's kernel HID stack. Sourced by its /init; uses its check, say,
# show and traces_match.

python_ready() {
  [ -x "$HOST/usr/bin/python3" ] && [ -f "$HOST$HOST_REPO/build/ci/libql8810/libql8810.so.1" ]
}
# The emulator logs the level it holds after every report it takes, so the
# HID test's report repeats the last one: the sends are what the log starts
# with.
board_levels() {  # N: the levels board N took, in order, on one line
  grep '^level ' "emu$1.log" | sed 's/^level //' | tr '\n' ' '
}
board_levels_begin() {  # N LEVELS
  case "$(board_levels "$1")" in "$2"*) return 0 ;; *) return 1 ;; esac
}

# Both boards plugged, QL0001 and QL0002; their emulators log to emu1.log and
# emu2.log.
run_python_checks() {  # name
  check "$1: python: python3 and libql8810 in the host's root" python_ready || return 0
  : >emu1.log
  : >emu2.log
  # The chroot's /mnt is the guest's /tmp.
  in_host env PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$HOST_REPO/python" \
    QL8810_LIBRARY="$HOST_REPO/build/ci/libql8810/libql8810.so.1" \
    python3 "$HOST_REPO/tests/e2e/lab_script.py" /mnt/py-trace.txt >py.txt 2>&1
  status=$?
  show py.txt
  check "$1: python: the lab script exits 0" [ "$status" -eq 0 ]
  check "$1: python: board 2 took 12, then 0 to 31 in order" \
    wait_for board_levels_begin 2 "12 $(seq 0 31 | tr '\n' ' ')"
  say "  board 2 took: $(board_levels 2)"
  check "$1: python: board 1 took nothing" sh -c '! grep -q "^received" emu1.log'
  check "$1: python: the test's answer 03 80 55 56 57 58 59 55" \
    log_has py.txt '^test: 03 80 55 56 57 58 59 55$'
  ql8810 --board QL0002 --trace level 12 2>tool-trace.txt
  check "$1: python: the kit's trace is the tool's" traces_match tool-trace.txt py-trace.txt
}
