#!/usr/bin/env bash
# The real program in a real X server: finds its window by caption, checks that the window is
# 642 x 219 and cannot be resized; runs the archive command against a slow archiver, with the
# patch folder and the output typed into the real choosers, and cancels it with Escape in the
# progress dialog "Архивиране", after which nothing may be left behind (no archive, no
# temporary file, no archiver process, no "Готово!", no error); publishes a release from the
# dialog "Публикуване" opened on the help page (a refusal in the error dialog, "Провери",
# "Публикувай", then a publication cancelled while 7-Zip tests its archives, which keeps the
# old index); then presses Escape and expects the program to end with status 0 within a few
# seconds.
# Run it inside tests/support/with-xvfb.sh.
# Usage: window_e2e_test.sh PATH-TO-UpdatePublisher PATH-TO-updtool
set -uo pipefail

program=$1
updtool=$2  # packs the index packages of the releases
caption="Генериране на допълнителни актуализации за Дарвела 2"
work=$(mktemp -d)
app_pid=""

cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  pkill -f "$work/" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  import -window root "${TMPDIR:-/tmp}/window_e2e_failure.png" 2>/dev/null &&
    echo "  screen: ${TMPDIR:-/tmp}/window_e2e_failure.png" >&2
  [ -s "$work/program.log" ] && sed 's/^/  program: /' "$work/program.log" >&2
  exit 1
}

# A process that still runs (an unreaped zombie has ended): its state read once, as it may be
# reaped between two reads.
running() { local state; state=$(sed -n 's/^[0-9]* (.*) \(.\) .*/\1/p' "/proc/$1/stat" 2>/dev/null); [ -n "$state" ] && [ "$state" != Z ]; }

source "$(dirname "$0")/support/e2e.sh"

# Runs the click "$2..." (click_control or in_dialog, with left top width height) until a window
# titled $1... shows (under load a click right after a chooser closed was lost); its id is then
# in $opened.
click_until() {
  opened=""
  for _ in 1 2 3 4 5; do
    "${@:2}"
    opened=$(timeout 4 xdotool search --sync --onlyvisible --name "^$1" | head -n 1)
    [ -n "$opened" ] && return 0
    echo "no window \"$1\" 4 s after the click: clicked again" >&2
  done
  fail "no window titled \"$1\" after five clicks"
}

# Opens the chooser titled $1... with the click "$3...", types the path $2 once it has the
# keyboard (a slow build shows it before it takes input), and waits until Return has closed it.
answer_chooser() {
  click_until "$1" "${@:3}"
  local chooser=$opened
  for _ in $(seq 100); do
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$chooser" ] && break
    xdotool windowactivate "$chooser" 2>/dev/null
    sleep 0.1
  done
  sleep 0.5
  xdotool type --delay 20 "$2"
  xdotool key Return
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "^$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "the chooser \"$1\" did not close"
}

# The program looks for its archiver beside itself: run a copy with a slow one there, which
# also starts a child that would outlive it.
mkdir -p "$work/app" "$work/patch" "$work/out"
cp "$program" "$work/app/UpdatePublisher"
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
# For sanitizer builds: the system's D-Bus library, loaded by Qt under X, keeps a buffer.
LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan-system.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export LSAN_OPTIONS

# Started in the work folder, where the choosers open: short relative names are typed, which
# the choosers' completion cannot cut short on a slow build.
(cd "$work" && exec "$work/app/UpdatePublisher") >"$work/program.log" 2>&1 &
app_pid=$!

window=$(timeout 20 xdotool search --sync --onlyvisible --name "^${caption}\$" | head -n 1)
if [ -z "$window" ]; then  # what the X server and the program were doing, for the report
  timeout 5 xwininfo -root -tree 2>&1 | grep -F "\"" | grep -v Openbox | head -n 20 | sed 's/^/  x: /' >&2
  running "$app_pid" && timeout 20 gdb -batch -p "$app_pid" -ex "thread apply all bt 8" 2>&1 |
    grep -E '^(Thread|#)' | sed 's/^/  stack: /' >&2
  running "$app_pid" || echo "  the program has ended" >&2
  fail "no window titled \"$caption\" appeared"
fi

eval "$(xdotool getwindowgeometry --shell "$window")"
[ "${WIDTH}x${HEIGHT}" = "642x219" ] || fail "window is ${WIDTH}x${HEIGHT}, expected 642x219"

hints=$(timeout 5 xprop -id "$window" WM_NORMAL_HINTS)
for bound in minimum maximum; do
  grep -q "program specified $bound size: 642 by 219" <<<"$hints" ||
    fail "the window manager is not told the $bound size 642 x 219: $hints"
done

timeout 5 xdotool windowfocus --sync "$window" || fail "cannot focus the window"


# Page ts2, then its "Избери": the folder chooser takes a typed path.
click 230 12
answer_chooser "Изберете папката" patch click_control 448 14 97 25

# The command button, then the output chooser.
answer_chooser "Изберете път за запис" out/u1.upd click_control 176 134 281 49
chosen=$(date +%s%N)

wait_window "Архивиране" 5
echo "progress dialog shown $(( ($(date +%s%N) - chosen) / 1000000 )) ms after the output chooser closed"
[ -s "$work/child.pid" ] || fail "the archiver did not start"
child=$(cat "$work/child.pid")
xdotool windowactivate --sync "$found" 2>/dev/null
xdotool key Escape
wait_gone "Архивиране" 5
sleep 0.5
for _ in $(seq 50); do  # a look lost to an X error is repeated
  look_for "(Грешка|Updatepublisher)"
  case $? in
    0) fail "a cancel showed a message" ;;
    1) break ;;
  esac
  sleep 0.1
done
running "$child" && fail "the archiver's child $child outlived the cancel"
leftovers=$(ls -A "$work/out")
[ -z "$leftovers" ] || fail "the output folder holds: $leftovers"

# The publication dialog, from the help page's button below its text.
mkdir -p "$work/share" "$work/rel"
printf '<updates><update name="u1.upd"/></updates>\n' >"$work/rel/updates.xml"
"$updtool" pack -o "$work/rel/v1.upd" "$work/rel/updates.xml" || fail "updtool pack failed"
printf '<updates><update name="u1.upd"/><update name="u2.upd"/></updates>\n' >"$work/rel/updates.xml"
"$updtool" pack -o "$work/rel/v2.upd" "$work/rel/updates.xml" || fail "updtool pack failed"
head -c 100000 /dev/urandom >"$work/rel/u1.upd"
head -c 1000 /dev/urandom >"$work/rel/u2.upd"
take_keyboard
click 560 12
click_control 0 150 150 28
wait_window "Публикуване" 10
dialog=$found
take_keyboard "$dialog"
in_dialog() { xdotool mousemove --window "$dialog" $(($1 + $3 / 2)) $(($2 + $4 / 2)) click 1; sleep 0.3; }
type_into() { take_keyboard "$dialog"; in_dialog "$1" "$2" 392 23; xdotool key ctrl+a; xdotool type --delay 20 "$3"; }
expect_box() {  # a box titled $1 comes up and is closed with Return
  wait_window "$1" 20
  take_keyboard "$found"
  xdotool key Return
  wait_gone "$1" 10
}
type_into 12 26 "$work/share"
click_until "Грешка" in_dialog 412 274 96 28  # "Публикувай" with the index field empty
expect_box "Грешка"
type_into 12 72 "$work/rel/v1.upd"
# "Добави…": the multi-select chooser
answer_chooser "Изберете update архивите" rel/u1.upd in_dialog 412 118 96 25
click_until "План на публикуването" in_dialog 308 274 96 28  # "Провери": nothing copied
expect_box "План на публикуването"
[ -z "$(ls -A "$work/share")" ] || fail "the check copied: $(ls -A "$work/share")"
click_until Updatepublisher in_dialog 412 274 96 28
expect_box Updatepublisher  # "Готово!"
expect_box "Публикувано"
cmp -s "$work/rel/u1.upd" "$work/share/u1.upd" || fail "u1.upd was not published whole"
cmp -s "$work/rel/v1.upd" "$work/share/updates.upd" || fail "updates.upd is not the index package"

# The next release, with a password: 7-Zip (here one that never ends) tests each archive
# first; a cancel in the progress dialog keeps the old index and copies nothing.
printf '#!/bin/sh\nsleep 120 &\necho $! >"%s"\nwait\n' "$work/tester.pid" >"$work/app/SEVENZIP"
type_into 12 72 "$work/rel/v2.upd"
answer_chooser "Изберете update архивите" rel/u2.upd in_dialog 412 118 96 25
type_into 12 238 "secret"
click_until "Архивиране" in_dialog 412 274 96 28
wait_window "Архивиране" 10
take_keyboard "$found"
xdotool key Escape
wait_gone "Архивиране" 10
sleep 0.5
[ -s "$work/tester.pid" ] || fail "7-Zip did not test the archives"
running "$(cat "$work/tester.pid")" && fail "the archive test's child outlived the cancel"
cmp -s "$work/rel/v1.upd" "$work/share/updates.upd" || fail "a cancel changed the published index"
[ -e "$work/share/u2.upd" ] && fail "a cancelled publication copied u2.upd"
take_keyboard "$dialog"
xdotool key Escape
wait_gone "Публикуване" 10

xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
timeout 5 xdotool key Escape || fail "cannot send Escape"

expect_clean_exit 5
echo "PASS: window $window, 642x219, fixed size; archiving cancelled from the progress dialog with nothing left behind; a release published from \"Публикуване\", a cancelled one kept the old index; closed by Escape with status 0"
