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

# The host's root, shared read-only over virtio-9p, at DIR, with the kernel's
# file systems and tmpfs laid over it, to chroot into: programs of the host
# (Wine, Python) that the initramfs does not carry. The checkout at REPO is
# put back at its own path over the tmpfs, wherever it lives (under /tmp, or
# in root's home, the tmpfs would hide it): the build tree's programs find
# their libraries by the paths they were linked with.
host_root_mount() {  # DIR REPO
  modprobe -a 9p 9pnet_virtio virtio_pci || return 1
  mkdir -p "$1" /repo
  mount -t 9p -o ro,trans=virtio,version=9p2000.L,msize=512000,cache=loose host "$1" || return 1
  mount --bind "$1$2" /repo || return 1
  mount -t proc proc "$1/proc" && mount -t sysfs sys "$1/sys" &&
    mount -t devtmpfs dev "$1/dev" || return 1
  for d in tmp run root; do mount -t tmpfs "$d" "$1/$d" || return 1; done
  mkdir -p "$1/dev/shm" && mount -t tmpfs shm "$1/dev/shm"
  # Outside those folders the path is there already and is simply bound over
  # itself.
  mkdir -p "$1$2" 2>/dev/null
  mount --bind /repo "$1$2" || return 1
}
