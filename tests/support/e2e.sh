# Shared steps of the end-to-end scripts (sourced). They expect the script to define fail
# MESSAGE, and $window and $app_pid once the program runs.

# The visible window with exactly this title into $found, waiting up to $2 seconds.
wait_window() {
  found=$(timeout "${2:-10}" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
  [ -n "$found" ] || fail "no window titled \"$1\" appeared"
}

wait_gone() {
  for _ in $(seq 50); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "the window \"$1\" did not close"
}

# A click at a point of the main window's client area (pixels at 96 DPI).
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.3; }
# The centre of a control of a page (left, top, width, height): the page area starts at 4, 24.
click_control() { click $((4 + $1 + $3 / 2)) $((24 + $2 + $4 / 2)); }

# The program ends within $1 seconds, with status 0.
expect_clean_exit() {
  for _ in $(seq $(($1 * 10))); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app_pid" 2>/dev/null && fail "the program is still running $1 s after Escape"
  wait "$app_pid"
  local status=$?
  app_pid=""
  [ "$status" -eq 0 ] || fail "the program exited with status $status"
}
