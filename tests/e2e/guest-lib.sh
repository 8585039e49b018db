# Shared by the guests' /init scripts (the end-to-end test and the kernel
# benchmark): sourced as /lib/guest.sh.

# Busybox's commands, the kernel's file systems, and /tmp to work in.
guest_start() {
  /bin/busybox --install -s /bin
  export PATH=/bin
  mount -t proc proc /proc
  mount -t sysfs sys /sys
  mount -t devtmpfs dev /dev
  mkdir -p /tmp
  cd /tmp || exit 1
}

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
