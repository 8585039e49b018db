# Shared by the guests' /init scripts (the end-to-end test and the kernel
# benchmark): sourced as /lib/guest.sh.

# Waits up to about 20 s for a condition.
wait_for() {
  n=0
  while ! "$@"; do
    n=$((n + 1))
    [ "$n" -ge 200 ] && return 1
    sleep 0.1
  done
}
board_listed() { ql8810 list | grep -q ' board$'; }
