#!/usr/bin/env bash
# The real program with a slow archiver beside it: the patch folder and the output are typed
# into the real choosers, the progress dialog "Архивиране" appears while the archiver runs,
# Escape cancels it, and nothing is left behind: no archive, no temporary file, no archiver
# process, no "Готово!" and no error. Run it inside tests/support/with-xvfb.sh.
# Usage: window_cancel_e2e_test.sh PATH-TO-UpdatePublisher
set -uo pipefail

caption="Генериране на допълнителни актуализации за Дарвела 2"
work=$(mktemp -d)
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  pkill -f "$work/" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

fail() {
  echo "FAIL: $*" >&2
  import -window root "${TMPDIR:-/tmp}/window_cancel_e2e_failure.png" 2>/dev/null &&
    echo "  screen: ${TMPDIR:-/tmp}/window_cancel_e2e_failure.png" >&2
  [ -s "$work/program.log" ] && sed 's/^/  program: /' "$work/program.log" >&2
  exit 1
}

# A process that still runs (an unreaped zombie has ended).
running() { [ -r "/proc/$1/stat" ] && ! grep -q '^[0-9]* ([^)]*) Z' "/proc/$1/stat"; }

wait_window() {
  found=$(timeout "${2:-10}" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
  [ -n "$found" ] || fail "no window titled \"$1\" appeared"
}

# The program looks for its archiver beside itself: run a copy with a slow one there, which
# also starts a child that would outlive it.
mkdir -p "$work/app" "$work/patch" "$work/out"
cp "$1" "$work/app/UpdatePublisher"
cat >"$work/app/SEVENZIP" <<EOF
#!/bin/sh
printf 'partial archive' >"\$3"
sleep 120 &
echo \$! >"$work/child.pid"
wait
EOF
chmod +x "$work/app/SEVENZIP"
echo '<patch/>' >"$work/patch/descriptor.xml"

export QT_QPA_PLATFORM=xcb
LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan-system.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export LSAN_OPTIONS
"$work/app/UpdatePublisher" >"$work/program.log" 2>&1 &
app_pid=$!
wait_window "$caption" 20
window=$found
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"

# A click at the centre of a control of a page (left, top, width, height); the page area
# starts about 4, 24 into the window.
click_control() {
  xdotool mousemove --window "$window" $((4 + $1 + $3 / 2)) $((24 + $2 + $4 / 2)) click 1
  sleep 0.3
}

# Page ts2, then its "Избери": the folder chooser takes a typed path.
xdotool mousemove --window "$window" 230 12 click 1
sleep 0.3
click_control 448 14 97 25
chooser=$(timeout 10 xdotool search --sync --onlyvisible --name "Изберете папката" | head -n 1)
[ -n "$chooser" ] || fail "the folder chooser did not open"
sleep 0.3
xdotool type --delay 5 "$work/patch"
xdotool key Return
sleep 0.5

# The command button, then the output chooser.
click_control 176 134 281 49
chooser=$(timeout 10 xdotool search --sync --onlyvisible --name "Изберете път за запис" | head -n 1)
[ -n "$chooser" ] || fail "the output chooser did not open"
sleep 0.3
xdotool type --delay 5 "$work/out/u1.upd"
xdotool key Return

wait_window "Архивиране" 5
[ -s "$work/child.pid" ] || fail "the archiver did not start"
child=$(cat "$work/child.pid")
xdotool windowactivate --sync "$found" 2>/dev/null
xdotool key Escape
for _ in $(seq 50); do
  xdotool search --onlyvisible --name "^Архивиране\$" >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --onlyvisible --name "^Архивиране\$" >/dev/null 2>&1 && fail "Escape left the progress dialog open"
sleep 0.5
xdotool search --onlyvisible --name "^(Грешка|Updatepublisher)\$" >/dev/null 2>&1 &&
  fail "a cancel showed a message"
running "$child" && fail "the archiver's child $child outlived the cancel"
leftovers=$(ls -A "$work/out")
[ -z "$leftovers" ] || fail "the output folder holds: $leftovers"

xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool key Escape
for _ in $(seq 50); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "the program exited with status $status"
echo "PASS: progress dialog shown, Escape cancelled, nothing left behind"
