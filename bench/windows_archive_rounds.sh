#!/usr/bin/env bash
# Figures of the Windows window (not a test): the update archive round (the archive command,
# its output chooser and "Готово!") repeated in ONE running UpdatePublisher.exe under wine,
# with the stand-in archiver beside it. A round that does not reach "Готово!" in time counts
# as a hang: the script keeps under the evidence folder a screenshot, the windows as X and as
# wine see them, and all threads' backtraces of the program (winedbg, with the program's own
# frames named by addr2line), then starts the program again and goes on.
# With WINEDEBUG=+timestamp,+x11drv the program's log (kept too) shows when wine mapped what.
# Needs the mingw build (cmake --build --preset mingw --target UpdatePublisher
# archiver_stand_in window_text). Load the machine beside it to find what load brings out.
# Usage: bench/windows_archive_rounds.sh [ROUNDS] [EVIDENCE-FOLDER]
set -uo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-50}
evidence=$(realpath -m "${2:-/tmp/windows_archive_rounds}")
build=$PWD/build/mingw
for file in src/UpdatePublisher.exe tests/archiver_stand_in.exe tests/window_text.exe; do
  [ -f "$build/$file" ] || { echo "build it first: $build/$file is missing" >&2; exit 2; }
done
[ -d "$build/wineprefix" ] || ctest --preset mingw -R wine_prefix >/dev/null
if [ -z "${DISPLAY:-}" ] || [ -z "${ROUNDS_IN_XVFB:-}" ]; then
  export ROUNDS_IN_XVFB=1
  exec tests/support/with-xvfb.sh "$0" "$rounds" "$evidence"
fi

export WINEPREFIX=$build/wineprefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=mscoree,mshtml=
export LC_NUMERIC=C
wine=(env LC_ALL=bg_BG.UTF-8 wine)
window_text=$build/tests/window_text.exe
caption="Генериране на допълнителни актуализации за Дарвела 2"
mkdir -p "$evidence"
work=$(mktemp -d /tmp/updrndXXXXXX)
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

fail() {  # inside a round (a subshell): the round ends, the loop records it
  echo "  $*" >&2
  exit 1
}

source tests/support/e2e.sh
source tests/support/win32_e2e.sh

mkdir -p "$work/app" "$work/out" "$work/patch/sub"
cp "$build/src/UpdatePublisher.exe" "$work/app/UpdatePublisher.exe"
cp "$build/tests/archiver_stand_in.exe" "$work/app/SEVENZIP.exe"
echo '<descriptor/>' >"$work/patch/descriptor.xml"
echo 'payload' >"$work/patch/sub/file.txt"

# The program, on the archive page with the patch folder chosen.
start_program() {
  (cd "$work/app" && exec "${wine[@]}" UpdatePublisher.exe) >>"$work/program.log" 2>&1 &
  app_pid=$!
  wait_window "$caption" 60 || return 1
  window=$found
  take_keyboard || return 1
  xdotool key ctrl+Tab
  sleep 0.3
  if ! (click_control 448 14 97 25 && choose_folder "$work/patch"); then
    record_hang start
    return 1
  fi
}

uptime_now() { cut -d' ' -f1 /proc/uptime; }  # the clock of wine's +timestamp traces

round() {
  rm -f "$work/out/round.upd"
  click_control 176 134 281 49
  choose_file "Изберете път за запис на update архива" "$work/out/round"
  echo "output chosen at $(uptime_now)" >"$work/round.log"
  confirm_done 30
  [ -s "$work/out/round.upd" ] || fail "no update archive was written"
}

# winedbg knows no names in the program: "in updatepublisher (+0x6ca6)" gets function and line.
name_own_frames() {
  local line offset
  while IFS= read -r line; do
    if [[ "$line" =~ in\ updatepublisher\ \(\+0x([0-9a-f]+)\) ]]; then
      offset=${BASH_REMATCH[1]}
      line+="  $(x86_64-w64-mingw32-addr2line -f -C -e "$build/src/UpdatePublisher.exe" \
        "$(printf '0x%x' $((0x140000000 + 0x$offset)))" | paste -sd' ')"
    fi
    echo "$line"
  done
}

# The state of a program that did not finish a round, kept for reading afterwards.
record_hang() {
  local folder=$evidence/round-$1
  mkdir -p "$folder"
  { cat "$work/round.log" 2>/dev/null; echo "recorded at $(uptime_now)"; } >"$folder/times.txt"
  import -window root "$folder/screen.png" 2>/dev/null
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    echo "$id $(xdotool getwindowname "$id" 2>/dev/null)"
  done >"$folder/windows.txt"
  "${wine[@]}" "$window_text" --windows >"$folder/win32-windows.txt" 2>&1
  xwininfo -root -tree >"$folder/x-windows.txt" 2>&1
  for id in $(xdotool search --name '.' 2>/dev/null); do
    echo "== $id"
    xprop -id "$id" WM_NAME _NET_WM_NAME WM_STATE _NET_WM_STATE _MOTIF_WM_HINTS 2>&1
    xwininfo -id "$id" 2>&1 | grep -E 'Map State|geometry'
  done >"$folder/x-properties.txt"
  local process
  process=$(winedbg --command "info process" 2>/dev/null | awk '/UpdatePublisher.exe/ { print $1; exit }')
  [ -n "$process" ] && timeout 60 winedbg --command "bt all" "0x$process" >"$folder/backtraces.txt" 2>&1
  name_own_frames <"$folder/backtraces.txt" >"$folder/backtraces-named.txt"
  cp "$work/program.log" "$folder/program.log" 2>/dev/null
  echo "  evidence: $folder"
}

restart_program() {
  kill "$app_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  wait "$app_pid" 2>/dev/null
  app_pid=""
  start_program
}

wineserver -p
start_program || { echo "the program did not start" >&2; exit 1; }
hangs=0
started=$EPOCHREALTIME
durations=()
for number in $(seq "$rounds"); do
  round_started=$EPOCHREALTIME
  if (round); then
    durations+=("$(awk "BEGIN { printf \"%.1f\", $EPOCHREALTIME - $round_started }")")
    echo "round $number: done in ${durations[-1]} s"
  else
    hangs=$((hangs + 1))
    echo "round $number: HANG"
    record_hang "$number"
    restart_program || { echo "the program did not start again" >&2; exit 1; }
  fi
done
elapsed=$(awk "BEGIN { printf \"%.0f\", $EPOCHREALTIME - $started }")
echo "rounds: $rounds, hangs: $hangs, ${elapsed} s in all"
if [ "${#durations[@]}" -gt 0 ]; then
  printf '%s\n' "${durations[@]}" | sort -n |
    awk '{ t[NR] = $1 } END { print "round time: median " t[int((NR + 1) / 2)] " s, longest " t[NR] " s" }'
fi
[ "$hangs" -eq 0 ]
