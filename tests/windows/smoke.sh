#!/usr/bin/env bash
# Starts a windowed program under Wine with Qt's real `windows` platform, on
# the Wine prefix's own X display, and drives it as an operator would, with
# xdotool.
#   smoke.sh WINE_RUN EXE program [SHOTS]
#     QL8810Eval.exe: the splash; a key press carries on to "QL8810 Evaluation
#     System"; Send, with no board, shows "Communication with Interface Board
#     Failed. ..." (Wine has HID interfaces but no board: the real Win32
#     search runs); OK; "&Exit" ends the program with exit status 0.
#   smoke.sh WINE_RUN EXE demo [SHOTS]
#     QL8810Eval-demo.exe the same way, with a send that reaches the simulated
#     board: no message, and the board's window shows the report.
#   smoke.sh WINE_RUN EXE board LOG
#     QL8810Eval.exe against a real board (the end-to-end guest's emulator,
#     whose log LOG lists every report it received): level 12 typed into the
#     list and Send, then the slider dragged to 31 and let go; each report
#     must reach the board, and no message may show.
# With SHOTS (a path and a file-name prefix), a picture of each window as
# Wine draws it is saved as SHOTS-<window>.png. Exit status 77: no display
# (no Xvfb), the test is skipped.
#
# Wine names each window's X class after the program's file. Without a window
# manager, xdotool's windowfocus (not windowactivate) gives a window the keys.
set -u
run=$1 exe=$2 mode=$3 shots=${4:-}
board_log=
if [ "$mode" = board ]; then
  board_log=$4 shots=
fi
# Slow machines (the end-to-end guest emulates its CPUs) may wait longer.
timeout_s=${QL_SMOKE_TIMEOUT:-30}

display=$("$run" --display)
if [ -z "$display" ]; then
  echo "SKIPPED: the Wine prefix has no display (Xvfb is missing)"
  exit 77
fi
export DISPLAY=$display
class=${exe##*[/\\]}
class=${class,,}
class_re="^${class//./\\.}\$"
log=$(mktemp)
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    sleep 1
    kill -9 "$pid" 2>/dev/null
  fi
  rm -f "$log"
}
trap cleanup EXIT

# Also from inside $(...): everything goes to standard error.
fail() {
  {
    echo "FAILED: $*"
    echo "-- the program's output:"
    tr -d '\r' <"$log"
    echo "-- its windows:"
    for w in $(xdotool search --classname "$class_re" 2>/dev/null); do
      echo "$w \"$(xdotool getwindowname "$w" 2>/dev/null)\""
    done
  } >&2
  exit 1
}

# The ids of the program's visible windows whose titles match REGEX.
windows_named() {
  local id
  for id in $(xdotool search --onlyvisible --classname "$class_re" 2>/dev/null); do
    [[ $(xdotool getwindowname "$id" 2>/dev/null) =~ $1 ]] && echo "$id"
  done
}

# The id of the program's first visible window whose title matches REGEX,
# waiting for it.
wait_window() {
  local regex=$1 id end=$((SECONDS + timeout_s))
  while ((SECONDS < end)); do
    kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for a window \"$regex\""
    id=$(windows_named "$regex" | head -1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.2
  done
  fail "no window \"$regex\" within $timeout_s s"
}

wait_gone() {
  local id=$1 what=$2 end=$((SECONDS + timeout_s))
  while ((SECONDS < end)); do
    xdotool search --onlyvisible --classname "$class_re" 2>/dev/null | grep -qx "$id" || return 0
    sleep 0.2
  done
  fail "$what still shown after $timeout_s s"
}

# Types KEYS into window ID.
keys() {
  local id=$1
  shift
  xdotool windowfocus "$id"
  sleep 0.5
  xdotool key --delay 100 "$@"
}

# Clicks the dimming window ID at X,Y of its client area (pixels; the window
# is 450 x 448, Wine draws its frame around it).
click_main() {
  local id=$1 x=$2 y=$3 width height border
  eval "$(xdotool getwindowgeometry --shell "$id")"
  border=$(((WIDTH - 450) / 2))
  xdotool windowfocus "$id"
  sleep 0.3
  xdotool mousemove --window "$id" $((border + x)) $((HEIGHT - 448 - border + y)) click 1
}

shot() {
  [ -n "$shots" ] || return 0
  sleep 0.5
  import -window "$1" "$shots-$2.png"
}

# A picture of window ID, for comparing before and after.
window_sum() {
  import -window "$1" rgb:- 2>/dev/null | md5sum
}

# Window ID, named WHAT, lies wholly on the screen.
on_screen() {
  local X Y WIDTH HEIGHT SCREEN WINDOW screen_w screen_h
  eval "$(xdotool getwindowgeometry --shell "$1")"
  read -r screen_w screen_h < <(xdotool getdisplaygeometry)
  ((X >= 0 && Y >= 0 && X + WIDTH <= screen_w && Y + HEIGHT <= screen_h)) ||
    fail "$2, $WIDTH x $HEIGHT at $X,$Y, runs off the $screen_w x $screen_h screen"
}

# The board received REPORT (hex bytes), within the time-out.
board_received() {
  local end=$((SECONDS + timeout_s))
  while ((SECONDS < end)); do
    grep -qx "received $1" "$board_log" && return 0
    sleep 0.2
  done
  fail "the board did not receive $1 within $timeout_s s"
}
no_message() {
  [ -z "$(windows_named '^QL8810 Eval Kit$')" ] || fail "a message showed after $1"
}

# Presses button 1 at X1,Y1 of the dimming window's client area, drags to
# X2,Y2 and lets go there.
drag_main() {
  local id=$1 x1=$2 y1=$3 x2=$4 y2=$5 border step
  eval "$(xdotool getwindowgeometry --shell "$id")"
  border=$(((WIDTH - 450) / 2))
  local top=$((HEIGHT - 448 - border))
  xdotool windowfocus "$id"
  sleep 0.3
  xdotool mousemove --window "$id" $((border + x1)) $((top + y1)) mousedown 1
  for step in 1 2 3 4 5 6 7 8; do
    sleep 0.1
    xdotool mousemove --window "$id" $((border + x1 + (x2 - x1) * step / 8)) $((top + y2))
  done
  sleep 0.3
  xdotool mouseup 1
}

echo "== $exe on display $display"
"$run" "$exe" </dev/null >"$log" 2>&1 &
pid=$!

# The splash has no name, not even the program's, which Qt gives a window
# without a title (the dimming window's title is blanks until Continue).
splash=$(wait_window '^$') || exit 1
echo "splash shown, with an empty name"
shot "$splash" splash
keys "$splash" space
main=$(wait_window '^QL8810 Evaluation System$') || exit 1
echo "a key press carried on to \"QL8810 Evaluation System\""

if [ "$mode" = board ]; then
  # The list's entry, at twips (240, 2520) sized (1800, 375): select its text
  # and type over it.
  click_main "$main" 70 180
  keys "$main" ctrl+a 1 2
  click_main "$main" 192 180
  board_received "01 01 06 00 00 00 00 00"
  sleep 1
  no_message "Send"
  echo "level 12 and Send: the board received 01 01 06 00 00 00 00 00"
  # The slider, at twips (240, 3660) sized (6264, 480): 16 to 434 pixels
  # across; its handle (about 11 pixels wide) stands at level 12 after the
  # send, about 178 pixels in. Dragged past the right end, it stops at 31.
  drag_main "$main" 178 254 445 254
  board_received "01 01 1F 00 00 00 00 00"
  sleep 1
  no_message "the slider"
  echo "slider dragged to 31 and let go: the board received 01 01 1F 00 00 00 00 00"
elif [ "$mode" = demo ]; then
  board=$(wait_window '^QL8810 board \(simulated\)$') || exit 1
  sleep 1
  # It is placed for the size it has once shown: placed for a smaller one
  # (the style's controls may need more room than the designed width), its
  # right part, the note's line ends and the buttons', would be off the screen.
  on_screen "$board" "the board's window"
  echo "the board's window lies wholly on the screen"
  before=$(window_sum "$board")
  shot "$main" main
fi
[ "$mode" = program ] && shot "$main" main

# Send, at twips (2280, 2490) sized (1215, 435): its middle.
[ "$mode" = board ] || click_main "$main" 192 180
if [ "$mode" = program ]; then
  box=$(wait_window '^QL8810 Eval Kit$') || exit 1
  shot "$box" message
  # Qt's message box on Windows copies its caption, text and buttons.
  keys "$box" ctrl+c
  sleep 0.5
  text=$(timeout 10 xclip -o -selection clipboard 2>/dev/null | tr -d '\r')
  expected="Communication with Interface Board Failed. Please resert the interface board and try again."
  grep -qxF "$expected" <<<"$text" || fail "the message box says: $text"
  echo "Send showed \"$expected\""
  keys "$box" Return
  wait_gone "$box" "the message box"
  echo "OK closed the message"
elif [ "$mode" = demo ]; then
  sleep 2
  box=$(windows_named '^QL8810 Eval Kit$')
  [ -z "$box" ] || fail "Send showed a message: the send did not reach the simulated board"
  after=$(window_sum "$board")
  [ "$before" != "$after" ] || fail "the board's window did not change after Send"
  shot "$board" board
  echo "Send reached the simulated board (no message; its window shows the report)"
fi

# "&Exit", at twips (5160, 5970) sized (1335, 495).
click_main "$main" 388 414
end=$((SECONDS + timeout_s))
while kill -0 "$pid" 2>/dev/null && ((SECONDS < end)); do sleep 0.2; done
kill -0 "$pid" 2>/dev/null && fail "the program still runs $timeout_s s after \"&Exit\""
wait "$pid"
status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status after \"&Exit\", expected 0"
echo "\"&Exit\" ended the program with exit status 0"
