#!/bin/sh
# On a real X server the splash window, the only window up at start, has an
# empty name, so neither its frame nor a taskbar shows a title.
#   splash_title_test.sh PROGRAM     (run under xvfb-run)
set -u
"$1" &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT
# Up to 30 s: a sanitizer build starting on a busy machine is slow.
for _ in $(seq 300); do
  for w in $(xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
    xwininfo -id "$w" | grep -q IsViewable || continue
    names=$(xprop -id "$w" _NET_WM_NAME WM_NAME)
    echo "$names"
    # An empty name, or none at all.
    echo "$names" | grep -q '= "' && exit 1
    exit 0
  done
  sleep 0.1
done
echo "no window appeared"
exit 1
