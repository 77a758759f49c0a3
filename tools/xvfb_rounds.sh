#!/usr/bin/env bash
# Rounds of a person's game on a real X display, each ended by Escape while the program is
# stopped, so that the key and the input after it wait in the queue as they do on a slow or
# loaded machine:
#
#     DISPLAY=:88 tools/xvfb_rounds.sh [BUILD_DIR] [ROUNDS] [MOVES]
#
# A round starts the program, plays MOVES moves with the mouse (tools/play_on_display.py), stops
# the process (SIGSTOP), presses Escape down, lets the process go on (SIGCONT), and while it
# closes its window releases the key and sends more keys, mouse moves and clicks; then it waits
# for the process. Every round must end with status 0, with no window
# left (the runtime's error box above all) and nothing of a runtime error on standard error. A
# window manager must run (openbox will do), so that the main window gets the keyboard focus.
# XQ_RUN_UNDER runs the program under another one, valgrind say, which widens every gap between
# the events:  XQ_RUN_UNDER="valgrind -q --error-exitcode=1" DISPLAY=:88 tools/xvfb_rounds.sh
set -u
build=${1:-build/release}
rounds=${2:-20}
moves=${3:-3}
here=$(cd "$(dirname "$0")" && pwd)
log=$(mktemp -d)
failed=0
for round in $(seq 1 "$rounds"); do
  ${XQ_RUN_UNDER:-} "$build/app/xiangqi" 2>"$log/err.txt" &
  pid=$!
  window=$(timeout 120 xdotool search --sync --onlyvisible --pid "$pid" --name VelmoraCorvane |
           head -n 1)
  if [ -z "$window" ]; then
    echo "round $round: no main window"; kill "$pid"; failed=1; continue
  fi
  xdotool windowactivate --sync "$window" 2>/dev/null
  "$here/play_on_display.py" --build "$build" --seed "$round" --max-moves "$moves" >/dev/null
  xdotool windowactivate --sync "$window" 2>/dev/null
  kill -STOP "$pid"
  xdotool keydown Escape
  sleep 0.3
  kill -CONT "$pid"
  # The rest of the keystroke and a burst of keys come while the window handles its close.
  xdotool keyup Escape key --delay 1 a a a a a a a a a a a a a a a a a a a a 2>/dev/null
  xdotool mousemove --window "$window" 100 100 click 1 2>/dev/null
  # The process must end by itself; a box waiting for a person would keep it alive.
  for _ in $(seq 1 600); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    left=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | while read -r w; do
             xdotool getwindowname "$w"; done | tr '\n' ' ')
    echo "round $round: still running after Escape; windows: $left"
    kill -9 "$pid"; wait "$pid" 2>/dev/null; failed=1; continue
  fi
  wait "$pid"
  status=$?
  if [ "$status" -ne 0 ] || grep -q "运行时出错" "$log/err.txt"; then
    echo "round $round: status $status"; cat "$log/err.txt"; failed=1; continue
  fi
  echo "round $round: status 0"
done
rm -rf "$log"
[ "$failed" -eq 0 ] && echo "all $rounds rounds ended with status 0 and no error box"
exit "$failed"
