# shellcheck shell=bash
# The qemu guest of scripts/e2e-qemu and scripts/bench-qemu: sourced, never
# run. Debian's current 6.1 kernel under qemu (TCG, no KVM needed) with an
# initramfs of busybox, the kernel modules asked for and whatever files the
# caller adds. The caller sets `guest_tag` (the prefix of every message) and
# `guest_work` (its own folder under build/) and has sourced scripts/lib.sh.

# modprobe and depmod live in sbin, which a user's PATH may lack.
PATH=$PATH:/usr/sbin:/sbin

guest_fail() {
  echo "$guest_tag: $*" >&2
  exit 1
}

# The kernel that linux-image-amd64 stands for today; versions come and go,
# so the name is looked up, never written down.
guest_kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null |
    awk '/Depends: linux-image-6\.1\.0-[0-9]+-amd64$/ {print $2; exit}'
}

# Sets guest_release and guest_kernel (the unpacked package), fetching it on
# first use. Both scripts share one copy, kept in build/qemu.
guest_fetch_kernel() {
  install_missing qemu-system-x86 busybox-static cpio kmod
  local package cache=build/qemu as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  package=$(guest_kernel_package)
  if [ -z "$package" ]; then
    "${as_root[@]}" apt-get update -qq
    package=$(guest_kernel_package)
  fi
  [ -n "$package" ] || guest_fail "no linux-image-6.1.0-*-amd64 known to apt (is linux-image-amd64 in its lists?)"
  guest_release=${package#linux-image-}
  guest_kernel=$PWD/$cache/kernel-$guest_release
  if [ ! -f "$guest_kernel/boot/vmlinuz-$guest_release" ]; then
    echo "== $guest_tag: fetching $package"
    mkdir -p "$cache"
    rm -f "$cache"/*.deb
    if ! (cd "$cache" && apt-get download -q "$package") >"$cache/download.log" 2>&1; then
      grep -v '^W: Download is performed unsandboxed' "$cache/download.log" >&2 || true
      guest_fail "could not download the kernel package $package (apt-get download failed)"
    fi
    rm -rf "$cache"/kernel-*
    dpkg -x "$cache/$package"_*.deb "$guest_kernel"
    rm -f "$cache/$package"_*.deb
  fi
  # Debian makes the module index when the package is installed; an unpacked
  # one has none.
  [ -f "$guest_kernel/lib/modules/$guest_release/modules.dep.bin" ] ||
    depmod -b "$guest_kernel" "$guest_release"
}

# Makes the initramfs's folder, $guest_root: busybox, INIT as /init with
# tests/e2e/guest-lib.sh beside it as /lib/guest.sh,
# /etc/passwd and /etc/group with root and one unprivileged user, and the
# MODULES named with everything they depend on. The caller may add files
# before guest_pack.
guest_make_root() {  # INIT MODULES...
  local init=$1 module path
  shift
  guest_root=$guest_work/initramfs
  rm -rf "$guest_root"
  mkdir -p "$guest_root"/{bin,dev,etc,proc,sys,tmp} "$guest_root/lib/modules/$guest_release"
  cp /bin/busybox "$guest_root/bin/busybox"
  install -m 755 "$init" "$guest_root/init"
  cp tests/e2e/guest-lib.sh "$guest_root/lib/guest.sh"
  printf 'root:x:0:0::/:/bin/sh\noperator:x:1000:1000::/tmp:/bin/sh\n' >"$guest_root/etc/passwd"
  printf 'root:x:0:\noperator:x:1000:\n' >"$guest_root/etc/group"

  local moddir=$guest_kernel/lib/modules/$guest_release
  for module in "$@"; do
    modprobe -d "$guest_kernel" -S "$guest_release" --show-depends "$module" >"$guest_work/deps" ||
      guest_fail "kernel $guest_release has no module $module"
    while read -r _ path _; do
      path=${path#"$moddir"/}
      mkdir -p "$guest_root/lib/modules/$guest_release/$(dirname "$path")"
      cp "$moddir/$path" "$guest_root/lib/modules/$guest_release/$path"
    done < <(grep '^insmod ' "$guest_work/deps")
  done
}

# Adds a dynamically linked PROGRAM as /bin/NAME and the shared libraries it
# needs, at the paths its loader looks for them (the guest has no libc).
guest_add_dynamic() {  # PROGRAM NAME
  local lib
  cp "$1" "$guest_root/bin/$2"
  for lib in $(ldd "$1" | awk '/=> \// {print $3} /^\t\// {print $1}'); do
    mkdir -p "$guest_root$(dirname "$lib")"
    cp -L "$lib" "$guest_root$lib"
  done
}

# Packs $guest_root into $guest_work/initramfs.cpio.gz, with the module index
# the guest's busybox modprobe reads.
guest_pack() {
  busybox depmod -b "$guest_root" "$guest_release"
  (cd "$guest_root" && find . | cpio -o -H newc --quiet | gzip -1) >"$guest_work/initramfs.cpio.gz"
}

# Sets guest_accel, qemu's accelerator options, once: KVM only when a probe
# guest under it (the kernel alone) gets as far as looking for its root file
# system within 20 s (on some machines /dev/kvm is there but its guest prints
# nothing, or qemu aborts), else multi-threaded TCG. The log says which.
guest_pick_accel() {
  [ -z "${guest_accel:-}" ] || return 0
  guest_accel="-accel tcg,thread=multi"
  if [ ! -r /dev/kvm ] || [ ! -w /dev/kvm ]; then
    echo "== $guest_tag: accelerator: TCG, multi-threaded (no usable /dev/kvm)"
    return 0
  fi
  local probe_log=$guest_work/kvm-probe.log started=$SECONDS
  timeout 20 qemu-system-x86_64 -accel kvm -m 256 -nodefaults -display none -serial stdio -no-reboot \
    -kernel "$guest_kernel/boot/vmlinuz-$guest_release" -append "console=ttyS0 panic=-1" \
    </dev/null >"$probe_log" 2>&1
  if grep -q 'VFS: Unable to mount root fs' "$probe_log"; then
    guest_accel="-accel kvm"
    echo "== $guest_tag: accelerator: KVM (its probe guest booted in $((SECONDS - started)) s)"
  else
    echo "== $guest_tag: accelerator: TCG, multi-threaded (KVM's probe guest did not boot in 20 s; $probe_log)"
  fi
}

# Boots the packed guest with $guest_cpus CPUs (1 unless set) and the qemu options given; its console
# goes to standard output and to $guest_work/guest.log, carriage returns
# dropped. Fails with one line saying why when qemu fails, the guest outlives
# SECONDS, or it ends without a line starting with RESULT_PREFIX.
guest_boot() {  # SECONDS MEMORY_MIB RESULT_PREFIX [QEMU_OPTION...]
  local seconds=$1 memory=$2 prefix=$3 status
  shift 3
  local log=$guest_work/guest.log
  guest_pick_accel
  set +e
  # shellcheck disable=SC2086 # guest_accel is a list of options
  timeout "$seconds" qemu-system-x86_64 $guest_accel -m "$memory" -smp "${guest_cpus:-1}" -nodefaults -display none \
    -serial stdio -no-reboot "$@" -kernel "$guest_kernel/boot/vmlinuz-$guest_release" \
    -initrd "$guest_work/initramfs.cpio.gz" -append "console=ttyS0 panic=-1 quiet rdinit=/init" \
    </dev/null | stdbuf -oL tr -d '\r' | tee "$log"
  status=${PIPESTATUS[0]}
  set -e
  if grep -q "^$prefix" "$log"; then
    return 0
  elif [ "$status" -eq 124 ]; then
    guest_fail "the guest did not finish within $seconds s (qemu stopped by the time-out)"
  elif [ "$status" -ne 0 ]; then
    guest_fail "qemu failed with exit status $status before the guest finished"
  else
    guest_fail "the guest stopped without printing its \"$prefix\" line (its lines are above)"
  fi
}
