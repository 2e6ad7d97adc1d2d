#!/usr/bin/env bash
# The time from a cancel (SIGINT, SIGTERM or SIGHUP) to the end of an unpack of a 500 MiB
# entry, the temporary file removed and the old file kept.
# Usage: bench/cancel_bench.sh [size-in-MiB]   (UPDTOOL=path skips the release build)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/timing.sh
tool=${UPDTOOL:-$(release_updtool)}
size_mib=${1:-500}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -c "$((size_mib << 20))" /dev/urandom > "$work/updates.xml"  # inflates at disk speed
"$tool" pack -o "$work/updates.upd" "$work/updates.xml"
mkdir "$work/out"

# cancel_after SIGNAL MiB: cancels once the temporary file holds that much; prints the time
# from the signal to the end, and the exit status.
cancel_after() {
  printf 'previous file' > "$work/out/updates.xml"
  "$tool" unpack "$work/updates.upd" "$work/out" 2>/dev/null &
  local pid=$! start end status=0
  until [ -n "$(find "$work/out" -name '.*' -size +"$2"M)" ]; do
    kill -0 "$pid" 2>/dev/null || { echo "ended before the cancel"; exit 1; }
    sleep 0.005
  done
  start=$(date +%s.%N)
  kill -"$1" "$pid"
  wait "$pid" || status=$?
  end=$(date +%s.%N)
  [ "$(cat "$work/out/updates.xml")" = "previous file" ] || { echo "old file changed"; exit 1; }
  [ "$(ls -A "$work/out")" = updates.xml ] || { echo "temporary file left"; exit 1; }
  printf '%-4s after %3d MiB: %6.1f ms to the end, exit status %d\n' "$1" "$2" \
    "$(echo "($end - $start) * 1000" | bc -l)" "$status"
}

echo "unpack of $size_mib MiB, cancelled:"
for signal in INT TERM HUP; do
  for mib in 50 $((size_mib / 2)); do
    cancel_after "$signal" "$mib"
  done
done
