#!/usr/bin/env bash
# The windows as a window manager (openbox) frames them on a real X server,
# read back with xprop and xdotool:
# - the splash window: a dialog with a border and no title bar (so no
#   buttons), nothing to maximise or resize, centred on the screen, no name;
# - the operator's message after Send without a board: a dialog of the
#   dimming window (WM_TRANSIENT_FOR), centred over it, nothing to minimise or
#   maximise asked for and nothing to resize, captioned "QL8810 Eval Kit",
#   gone on Enter;
# - a malformed --board: the same caption, exit status 2 once answered;
# - the demo's board window lies on the screen at scale factors 1, 1.5 and 2.
#   window_manager_test.sh QL8810EVAL DEMO
# Run under xvfb-run with a 1280x1024 screen; exit status 77: no openbox.
set -u
program=$1 demo=$2
command -v openbox >/dev/null || { echo "SKIPPED: no openbox"; exit 77; }
timeout_s=30

pids=()
logs=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  rm -f "${logs[@]}"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*"
  exit 1
}

# Waits up to the time-out for a command to succeed, printing what it prints.
wait_for() {
  local end=$((SECONDS + timeout_s)) out
  while ((SECONDS < end)); do
    if out=$("$@" 2>/dev/null); then
      echo "$out"
      return 0
    fi
    sleep 0.1
  done
  return 1
}
# The visible window of process PID named exactly NAME (no name: "").
window_of() {  # PID NAME
  local id
  for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$2" ] && { echo "$id"; return 0; }
  done
  return 1
}
wm_running() {
  xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'
}
# "X Y WIDTH HEIGHT" of a window's client area, in root coordinates.
geometry() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}
prop() {  # ID PROPERTY
  xprop -id "$1" "$2"
}
# Fails unless the window manager lets WINDOW do none of ACTIONS.
not_allowed() {  # ID WHAT ACTION...
  local id=$1 what=$2 actions
  shift 2
  actions=$(prop "$id" _NET_WM_ALLOWED_ACTIONS)
  for action in "$@"; do
    grep -q "_NET_WM_ACTION_$action\b" <<<"$actions" && fail "$what: the window manager allows $action ($actions)"
  done
}
near() {  # A B TOLERANCE
  local d=$(($1 - $2))
  ((d < 0)) && d=$((-d))
  ((d <= $3))
}

# Starts a program in the background, its process id in $pid. Now and then
# (one start in ten here) Xvfb refuses a program that connects while xdotool
# or xprop are connected ("could not connect to display", "Failed to open the
# display"): such a start is made once more, and the log says so.
start() {
  local try log
  for try in 1 2; do
    log=$(mktemp)
    logs+=("$log")
    "$@" >"$log" 2>&1 &
    pid=$!
    pids+=("$pid")
    sleep 1
    if kill -0 "$pid" 2>/dev/null || ! grep -qiE 'could not connect to display|failed to open the display' "$log"; then
      return 0
    fi
    echo "note: the X server refused the connection of '$*'; started once more"
  done
}

read -r screen_w screen_h < <(xdotool getdisplaygeometry)

start openbox --sm-disable
wait_for wm_running >/dev/null || fail "openbox did not start: $(cat "${logs[-1]}")"
export QT_QPA_PLATFORM=xcb

# --- The splash window.
start "$demo" absent
splash=$(wait_for window_of "$pid" "") || fail "no splash window"
sleep 1
prop "$splash" _NET_WM_WINDOW_TYPE | grep -q '_NET_WM_WINDOW_TYPE_DIALOG' ||
  fail "splash: not a dialog: $(prop "$splash" _NET_WM_WINDOW_TYPE)"
# Motif hints: functions and decorations given; move and close; a border only.
hints=$(prop "$splash" _MOTIF_WM_HINTS)
grep -q '= 0x3, 0x24, 0x2, 0x0, 0x0$' <<<"$hints" || fail "splash: $hints"
normal=$(prop "$splash" WM_NORMAL_HINTS)
min=$(sed -n 's/.*minimum size: \([0-9]* by [0-9]*\).*/\1/p' <<<"$normal")
max=$(sed -n 's/.*maximum size: \([0-9]* by [0-9]*\).*/\1/p' <<<"$normal")
[ -n "$min" ] && [ "$min" = "$max" ] || fail "splash: resizable: $normal"
# A frame of equal width all round: a border, no title bar.
read -r left right top bottom < <(prop "$splash" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
[ "${left:-0}" -gt 0 ] && [ "$left" = "$right" ] && [ "$left" = "$top" ] && [ "$left" = "$bottom" ] ||
  fail "splash: frame extents $left $right $top $bottom (a border alone is the same all round)"
# Openbox lets the keyboard minimise any dialog; without a title bar there is
# no button for it.
not_allowed "$splash" splash MAXIMIZE_HORZ MAXIMIZE_VERT RESIZE
read -r x y w h < <(geometry "$splash")
near $((x + w / 2)) $((screen_w / 2)) 2 && near $((y + h / 2)) $((screen_h / 2)) 2 ||
  fail "splash: $w x $h at $x,$y is not centred on the $screen_w x $screen_h screen"
names=$(prop "$splash" _NET_WM_NAME; prop "$splash" WM_NAME)
grep -q '= "' <<<"$names" && fail "splash: named: $names"
echo "splash: a dialog with a border of $left pixels and no title bar, fixed $min, centred, no name"

# --- The message after Send, with no board.
xdotool windowfocus "$splash"
sleep 0.3
xdotool key space
main=$(wait_for window_of "$pid" "QL8810 Evaluation System") || fail "no dimming window after a key"
sleep 1
# Send, at twips (2280, 2490) sized (1215, 435): its middle, in pixels.
xdotool mousemove --window "$main" 192 180 click 1
box=$(wait_for window_of "$pid" "QL8810 Eval Kit") || fail "no message after Send"
sleep 1
transient=$(prop "$box" WM_TRANSIENT_FOR | sed -n 's/.*# \(0x[0-9a-f]*\)/\1/p')
[ "$((transient))" = "$((main))" ] || fail "message: transient for $transient, not the dimming window $main"
prop "$box" _NET_WM_WINDOW_TYPE | grep -q '_NET_WM_WINDOW_TYPE_DIALOG' || fail "message: not a dialog"
# It asks for no minimise or maximise (functions 0x8, 0x10; decorations 0x20,
# 0x40), and is not resizable. Openbox reads the Motif hints for the title bar
# and border only and gives every dialog its minimise button: what a window
# manager may do with that is not the program's to say.
read -r _ functions decorations _ < <(prop "$box" _MOTIF_WM_HINTS | sed 's/.*= //; s/,//g')
((functions & 0x18)) || ((decorations & 0x60)) || [ -z "$functions" ] &&
  fail "message: $(prop "$box" _MOTIF_WM_HINTS)"
not_allowed "$box" message MAXIMIZE_HORZ MAXIMIZE_VERT RESIZE
read -r mx my mw mh < <(geometry "$main")
read -r bx by bw bh < <(geometry "$box")
near $((bx + bw / 2)) $((mx + mw / 2)) 4 && near $((by + bh / 2)) $((my + mh / 2)) 40 ||
  fail "message: $bw x $bh at $bx,$by is not centred over the dimming window ($mw x $mh at $mx,$my)"
xdotool windowfocus "$box"
sleep 0.3
xdotool key Return
end=$((SECONDS + timeout_s))
while window_of "$pid" "QL8810 Eval Kit" >/dev/null && ((SECONDS < end)); do sleep 0.1; done
window_of "$pid" "QL8810 Eval Kit" >/dev/null && fail "message: still up after Enter"
echo "message: a dialog of the dimming window, centred over it, gone on Enter"
kill "$pid"

# --- A malformed selector, before the program starts.
start "$program" --board '#0'
box=$(wait_for window_of "$pid" "QL8810 Eval Kit") || fail "--board '#0': no message captioned \"QL8810 Eval Kit\""
xdotool windowfocus "$box"
sleep 0.3
xdotool key Return
wait "$pid"
status=$?
[ "$status" -eq 2 ] || fail "--board '#0': exit status $status, expected 2"
echo "--board '#0': a message captioned \"QL8810 Eval Kit\", exit status 2"

# --- The demo's board window, without a window manager: where the program
# puts it is where it stays.
openbox --exit 2>/dev/null
wait_for sh -c '! xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' >/dev/null
for scale in 1 1.5 2; do
  start env QT_SCALE_FACTOR="$scale" "$demo"
  splash=$(wait_for window_of "$pid" "") || fail "scale $scale: no splash window"
  xdotool windowfocus "$splash"
  sleep 0.3
  xdotool key space
  board=$(wait_for window_of "$pid" "QL8810 board (simulated)") || fail "scale $scale: no board window"
  sleep 1
  read -r x y w h < <(geometry "$board")
  ((x >= 0 && y >= 0 && x + w <= screen_w && y + h <= screen_h)) ||
    fail "scale $scale: the board window, $w x $h at $x,$y, runs off the $screen_w x $screen_h screen"
  echo "scale $scale: the board window, $w x $h at $x,$y, lies on the screen"
  kill "$pid"
done
echo "PASSED"
