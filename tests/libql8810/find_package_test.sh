#!/bin/sh
# Installs the build tree into a fresh prefix and builds a program of a lab's
# own against it, with find_package and with pkg-config; both programs run.
#   find_package_test.sh BUILD_DIR CONSUMER_SOURCE_DIR LIBDIR
# LIBDIR: the library's folder under the prefix (lib/x86_64-linux-gnu).
set -eu
libdir=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix/usr" >/dev/null
PKG_CONFIG_PATH=$prefix/usr/$libdir/pkgconfig cmake -S "$2" -B "$prefix/build" -G Ninja \
  -DCMAKE_PREFIX_PATH="$prefix/usr" >/dev/null
cmake --build "$prefix/build" >/dev/null
# pkg-config's -L gives the program no run path: the loader is told.
LD_LIBRARY_PATH=$prefix/usr/$libdir
export LD_LIBRARY_PATH
"$prefix/build/consumer_cmake"
"$prefix/build/consumer_pkgconfig"
