#!/usr/bin/env bash
# Figures of the Windows window (not a test): the time from starting UpdatePublisher.exe
# under wine to its visible window, median of several runs in a warm wine prefix, and the
# size of the stripped executable. Needs the mingw build (cmake --build --preset mingw).
# Usage: bench/windows_start_bench.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
build=$PWD/build/mingw
program=$build/src/UpdatePublisher.exe
[ -f "$program" ] || { echo "build it first: cmake --build --preset mingw" >&2; exit 1; }
[ -d "$build/wineprefix" ] || ctest --preset mingw -R wine_prefix >/dev/null
caption="Генериране на допълнителни актуализации за Дарвела 2"
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
export LC_NUMERIC=C  # decimal points in the figures; wine alone gets the Bulgarian locale

work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
x86_64-w64-mingw32-strip -o "$work/UpdatePublisher.exe" "$program"

# One start: the time to the visible window, then Escape closes it.
measure() {
  local started pid window
  started=$EPOCHREALTIME
  LC_ALL=bg_BG.UTF-8 wine "$work/UpdatePublisher.exe" >"$work/log" 2>&1 &
  pid=$!
  window=""
  # Polled every 10 ms: xdotool's own --sync waits half a second between its looks.
  for _ in $(seq 3000); do
    window=$(xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.01
  done
  awk "BEGIN { printf \"%.3f\n\", $EPOCHREALTIME - $started }"
  xdotool windowactivate --sync "$window" key Escape 2>/dev/null || kill "$pid"
  wait "$pid" 2>/dev/null || true
}

export -f measure
export work caption
tests/support/with-xvfb.sh bash -c "
  wineserver -p  # kept running, as on a desktop where wine is already up
  measure >/dev/null  # warm-up: the first start in a prefix is slower
  for _ in \$(seq $runs); do measure; done" >"$work/times"
echo "start to visible window under wine: $(sort -n "$work/times" | tr '\n' ' ')s"
echo "median: $(sort -n "$work/times" | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }') s (target <= 0.3 s)"
size=$(stat -c %s "$work/UpdatePublisher.exe")
echo "stripped UpdatePublisher.exe: $size bytes ($(awk "BEGIN { printf \"%.2f\", $size / 1048576 }") MiB, limit 3 MiB)"
