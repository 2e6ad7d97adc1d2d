# Shared steps of the end-to-end scripts (sourced). They expect the script to define fail
# MESSAGE and a scratch folder $work, and $window and $app_pid once the program runs.

# xdotool ends with an X error when a window it walks past is destroyed at that moment (a
# dialog closing beside the one looked for): such a look is repeated, never taken as an answer.
# Looks once for a visible window titled exactly $1: its id in $found; status 0 found, 1 none,
# 2 the look failed ($look_error says why).
look_for() {
  found=$(xdotool search --onlyvisible --name "^$1\$" 2>"$work/xdotool-errors")
  local status=$?
  found=${found%%$'\n'*}
  [ -n "$found" ] && return 0
  look_error=$(head -c 300 "$work/xdotool-errors")
  [ -n "$look_error" ] && return 2
  [ "$status" -eq 1 ] && return 1
  look_error="xdotool status $status"
  return 2
}

# The visible window with exactly this title into $found, waiting up to $2 seconds (30: a
# loaded machine may take that long; a window that never comes still fails).
wait_window() {
  local deadline=$((SECONDS + ${2:-30})) failed=0
  look_error=""
  while :; do
    look_for "$1" && return 0
    [ $? -eq 2 ] && failed=$((failed + 1))
    [ "$SECONDS" -ge "$deadline" ] && break
    sleep 0.2
  done
  fail "no window titled \"$1\" appeared in ${2:-30} s ($failed looks failed${look_error:+, the last: $look_error})"
}

# The window titled exactly $1 closes within $2 seconds (30).
wait_gone() {
  local deadline=$((SECONDS + ${2:-30}))
  while :; do
    look_for "$1"
    [ $? -eq 1 ] && return 0
    [ "$SECONDS" -ge "$deadline" ] && break
    sleep 0.1
  done
  fail "the window \"$1\" did not close in ${2:-30} s${look_error:+ (the last look failed: $look_error)}"
}

# The window $1 (the main window when not given) takes the keyboard: keys sent before that
# would go elsewhere.
take_keyboard() {
  local target=${1:-$window}
  for _ in $(seq 100); do
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$target" ] && return 0
    xdotool windowactivate "$target" 2>/dev/null
    sleep 0.1
  done
  fail "the window $target did not take the keyboard"
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
