#!/usr/bin/env bash
# The real UpdatePublisher.exe under wine, driven through its window with xdotool: finds it
# by caption, checks the fixed 642 x 219 client area, shows the error dialog of a failing
# command, makes a full round (updates.xml -> updates.upd -> updates.xml again, and an update
# archive through the stand-in archiver) with paths typed into the real choosers (each
# confirmed by reading the chooser back), publishes a release from the help page's dialog
# "Публикуване" (a refusal, the plan, the report, a cancel that keeps the old index), and ends
# it with Escape. Run it inside tests/support/with-xvfb.sh (a display with openbox).
# Usage: win32_window_e2e_test.sh UpdatePublisher.exe ARCHIVER-STAND-IN.exe WINDOW-TEXT.exe
#                                  WINE-COMMAND...
# With SCREENSHOTS=DIR it also saves windows-ts1..4.png, windows-error-dialog.png,
# windows-progress-dialog.png and windows-publish-dialog.png there.
set -uo pipefail

program=$1
stand_in=$2
window_text=$3  # prints the texts of a dialog found by its title
shift 3
wine=("$@")
wineserver=("${wine[@]}")
wineserver[${#wineserver[@]}-1]=wineserver
caption="Генериране на допълнителни актуализации за Дарвела 2"

# Short Unix paths: the folder chooser is driven through its tree, one folder at a time.
work=$(mktemp -d /tmp/updwinXXXXXX)
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  "${wineserver[@]}" -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

fail() {
  echo "FAIL: $*" >&2
  import -window root "$work/failure.png" 2>/dev/null &&
    cp "$work/failure.png" "${TMPDIR:-/tmp}/win32_window_e2e_failure.png" &&
    echo "  screen: ${TMPDIR:-/tmp}/win32_window_e2e_failure.png" >&2
  [ -s "$work/program.log" ] && sed 's/^/  program: /' "$work/program.log" >&2
  exit 1
}

source "$(dirname "$0")/support/e2e.sh"
source "$(dirname "$0")/support/win32_e2e.sh"
page=0
select_page() {  # 0..3, with Ctrl+Tab from the page shown
  take_keyboard
  while [ "$page" -ne "$1" ]; do
    xdotool key ctrl+Tab
    page=$(((page + 1) % 4))
  done
  sleep 0.3
}

screenshot() {
  [ -n "${SCREENSHOTS:-}" ] || return 0
  sleep 0.3
  import -frame -window "$2" "$SCREENSHOTS/$1"
}

mkdir -p "$work/app" "$work/data" "$work/out" "$work/back" "$work/patch/sub"
cp "$program" "$work/app/UpdatePublisher.exe"
cp "$stand_in" "$work/app/SEVENZIP.exe"
printf '<?xml version="1.0"?>\n<updates><update name="u1.upd"/></updates>\n' >"$work/data/updates.xml"
echo '<descriptor/>' >"$work/patch/descriptor.xml"
echo 'payload' >"$work/patch/sub/file.txt"

started=$EPOCHREALTIME
(cd "$work/app" && exec "${wine[@]}" UpdatePublisher.exe) >"$work/program.log" 2>&1 &
app_pid=$!
wait_window "$caption" 60
window=$found
echo "window after $(awk "BEGIN { print $EPOCHREALTIME - $started }") s"

eval "$(xdotool getwindowgeometry --shell "$window")"
[ "${WIDTH}x${HEIGHT}" = "642x219" ] || fail "client area is ${WIDTH}x${HEIGHT}, expected 642x219"
hints=$(timeout 5 xprop -id "$window" WM_NORMAL_HINTS _NET_WM_ALLOWED_ACTIONS)
for bound in minimum maximum; do
  grep -q "program specified $bound size: 642 by 219" <<<"$hints" ||
    fail "the window manager is not told the $bound size 642 x 219: $hints"
done
grep -qE "_NET_WM_ACTION_(MAXIMIZE|RESIZE)" <<<"$hints" &&
  fail "the window manager offers to maximize or resize the window: $hints"
# Try anyway: a new size asked for, and a double click on the title bar (maximizes in openbox).
xdotool windowsize "$window" 900 500
xdotool mousemove $((X + 100)) $((Y - 8)) click --repeat 2 --delay 80 1
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "${WIDTH}x${HEIGHT}" = "642x219" ] || fail "resized or maximized to ${WIDTH}x${HEIGHT}"
for shown in 0 1 2 3; do
  select_page $shown
  screenshot "windows-ts$((shown + 1)).png" "$window"
done
select_page 0

# A command with an empty path: the error dialog, closed with Return; the program goes on.
click_control 176 134 281 49
wait_window "Грешка"
screenshot windows-error-dialog.png "$found"
copied=$("${wine[@]}" "$window_text" "Грешка" 2>/dev/null)
grep -q "^Exception: " <<<"$copied" || fail "the error text does not start with \"Exception: \": $copied"
take_keyboard "$found"
xdotool key Return
wait_gone "Грешка"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended after the error dialog"

# updates.xml -> updates.upd
click_control 448 14 97 25
choose_file "Избери файл..." "$work/data/updates.xml"
click_control 176 134 281 49
choose_folder "$work/out"
confirm_done
[ -s "$work/out/updates.upd" ] || fail "no updates.upd was written"

# updates.upd -> updates.xml, the same bytes
select_page 2
click_control 448 14 97 25
choose_file "Избери файл..." "$work/out/updates.upd"
click_control 176 134 281 49
choose_folder "$work/back"
confirm_done
cmp -s "$work/data/updates.xml" "$work/back/updates.xml" || fail "the restored updates.xml differs"

# The patch folder -> an update archive, through SEVENZIP.exe beside the program, which
# takes five seconds to report its way to 100 %: the progress window comes up meanwhile.
select_page 1
click_control 448 14 97 25
choose_folder "$work/patch"
echo steady >"$work/app/mode.txt"
click_control 176 134 281 49
choose_file "Изберете път за запис на update архива" "$work/out/patch"
wait_window "Архивиране" 10
sleep 2  # until the time left is estimated
screenshot windows-progress-dialog.png "$found"
confirm_done
[ -s "$work/out/patch.upd" ] || fail "no update archive was written"
grep -qxF -- '-pKORVE482tm915$' "$work/app/arguments.txt" ||
  fail "the archiver did not get the password: $(cat "$work/app/arguments.txt")"

# The publication dialog, from the help page's button below its text.
mkdir -p "$work/share" "$work/rel"
updtool=$(cd "$(dirname "$program")" && pwd)/updtool.exe  # built beside the program
pack() {  # pack NAMES... : updates.xml naming them into rel/NAME1's index package
  printf '<updates>%s</updates>\n' "$(printf '<update name="%s"/>' "$@")" >"$work/rel/updates.xml"
  (cd "$work/rel" && "${wine[@]}" "$updtool" pack -o "index-$1" updates.xml) ||
    fail "updtool pack failed"
}
pack u1.upd
pack u2.upd u1.upd
head -c 100000 /dev/urandom >"$work/rel/u1.upd"
head -c 1000 /dev/urandom >"$work/rel/u2.upd"
select_page 3
click_control 0 150 150 28
wait_window "Публикуване"
dialog=$found
in_dialog() { xdotool mousemove --window "$dialog" $(($1 + $3 / 2)) $(($2 + $4 / 2)) click 1; sleep 0.3; }
type_into() {  # the edit at $1, $2 holds $3 once typed (again on a lost key)
  local attempt
  for attempt in 1 2 3; do
    take_keyboard "$dialog"
    in_dialog "$1" "$2" 392 23
    xdotool key ctrl+a BackSpace
    xdotool type --delay 10 "$3"
    edit_holds "Публикуване" "$3" && return 0
  done
  fail "the dialog's field does not hold $3: $(edit_texts "Публикуване")"
}
box_says() {  # the box titled $1 shows a line matching $2; closed with Return
  wait_window "$1"
  local said
  said=$("${wine[@]}" "$window_text" "$1" 2>/dev/null | tr -d '\r')
  grep -qE -- "$2" <<<"$said" || fail "\"$1\" does not say $2: $said"
  take_keyboard "$found"
  xdotool key Return
  wait_gone "$1"
}
type_into 12 26 "$(windows_path "$work/share")"
in_dialog 412 274 96 28  # "Публикувай" with the index field empty
box_says "Грешка" "^Exception: "
type_into 12 72 "$(windows_path "$work/rel/index-u1.upd")"
in_dialog 412 118 96 25  # "Добави…"
choose_file "Изберете update архивите" "$work/rel/u1.upd"
screenshot windows-publish-dialog.png "$dialog"
in_dialog 308 274 96 28  # "Провери"
box_says "План на публикуването" "^u1.upd: ще бъде копиран, 100000 байта"
[ -z "$(ls -A "$work/share")" ] || fail "the check copied: $(ls -A "$work/share")"
in_dialog 412 274 96 28
confirm_done
box_says "Публикувано" "^u1.upd: копиран, 100000 байта, SHA-256 $(sha256sum "$work/rel/u1.upd" | cut -c1-16)"
cmp -s "$work/rel/u1.upd" "$work/share/u1.upd" || fail "u1.upd was not published whole"
cmp -s "$work/rel/index-u1.upd" "$work/share/updates.upd" || fail "updates.upd is not the index package"
# The next release with a password: the stand-in's test of each archive takes 30 s; "Отказ"
# (Escape) keeps the old index and copies nothing.
echo slowtest >"$work/app/mode.txt"
type_into 12 72 "$(windows_path "$work/rel/index-u2.upd")"
in_dialog 412 118 96 25
choose_file "Изберете update архивите" "$work/rel/u2.upd"
take_keyboard "$dialog"
in_dialog 12 238 392 23
xdotool type --delay 10 secret
in_dialog 412 274 96 28
wait_window "Архивиране" 10
take_keyboard "$found"
xdotool key Escape
wait_gone "Архивиране" 10
cmp -s "$work/rel/index-u1.upd" "$work/share/updates.upd" || fail "a cancel changed the published index"
[ -e "$work/share/u2.upd" ] && fail "a cancelled publication copied u2.upd"
take_keyboard "$dialog"
xdotool key Escape
wait_gone "Публикуване"

# Escape ends the program with status 0.
take_keyboard
xdotool key Escape
expect_clean_exit 10
echo "PASS: fixed 642x219 window, error dialog, index package round, update archive with its progress window, a release published from \"Публикуване\" and a cancelled one, Escape"
