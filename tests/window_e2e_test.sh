#!/usr/bin/env bash
# The real program in a real X server: starts it in an Xvfb of its own, finds its window by
# caption, checks that the window is 642 x 219 and cannot be resized, presses Escape and
# expects the program to end with status 0 within a few seconds.
# Usage: window_e2e_test.sh PATH-TO-UpdatePublisher
set -uo pipefail

program=$1
caption="Генериране на допълнителни актуализации за Дарвела 2"
work=$(mktemp -d)
xvfb_pid=""
app_pid=""

cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -s "$work/program.log" ] && sed 's/^/  program: /' "$work/program.log" >&2
  exit 1
}

# With -displayfd the server takes a free display number and writes it once it is ready.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
export QT_QPA_PLATFORM=xcb
# For sanitizer builds: the system's D-Bus library, loaded by Qt under X, keeps a buffer.
LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan-system.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export LSAN_OPTIONS

"$program" >"$work/program.log" 2>&1 &
app_pid=$!

window=$(timeout 20 xdotool search --sync --onlyvisible --name "^${caption}\$" | head -n 1)
[ -n "$window" ] || fail "no window titled \"$caption\" appeared"

eval "$(xdotool getwindowgeometry --shell "$window")"
[ "${WIDTH}x${HEIGHT}" = "642x219" ] || fail "window is ${WIDTH}x${HEIGHT}, expected 642x219"

hints=$(timeout 5 xprop -id "$window" WM_NORMAL_HINTS)
for bound in minimum maximum; do
  grep -q "program specified $bound size: 642 by 219" <<<"$hints" ||
    fail "the window manager is not told the $bound size 642 x 219: $hints"
done

timeout 5 xdotool windowfocus --sync "$window" || fail "cannot focus the window"
timeout 5 xdotool key Escape || fail "cannot send Escape"

for _ in $(seq 50); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && fail "the program is still running 5 s after Escape"
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "the program exited with status $status"
echo "PASS: window $window, 642x219, fixed size, closed by Escape with status 0"
