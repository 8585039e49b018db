#!/usr/bin/env bash
# The four Debian packages, made from this build tree, read by lintian,
# Debian's package checker: no error and no warning (notes are shown).
#   lintian_test.sh CMAKE BUILD_DIR
set -eu
"$1" --build "$2" --target deb_packages >/dev/null
debs=("$2"/deb/*.deb)
[ ${#debs[@]} -eq 4 ] || { echo "FAIL: ${#debs[@]} packages made, not 4"; exit 1; }
report=$(lintian --allow-root --info --display-level '>=pedantic' "${debs[@]}" 2>&1 || true)
[ -z "$report" ] || echo "$report"
if grep -E '^[EW]: ' <<<"$report"; then
  echo "FAIL: lintian's errors and warnings above"
  exit 1
fi
echo "lintian: ${debs[*]##*/}: no error, no warning"
