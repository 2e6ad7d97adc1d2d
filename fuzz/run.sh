#!/usr/bin/env bash
# Runs one harness for SECONDS from its committed seed corpus and prints the executions,
# executions per second and coverage. Fails on a crash, a leak, a broken property or a file
# left behind in the harness's temporary folder.
# Usage: fuzz/run.sh reader|round_trip SECONDS [BUILD_DIR]   (BUILD_DIR: build/fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 2 ] || { sed -n '2,5s/^# //p' "$0" >&2; exit 2; }
harness=$1
seconds=$2
binary=${3:-build/fuzz}/fuzz/${harness}_fuzzer
seeds=fuzz/corpus/$harness
[ -x "$binary" ] && [ -d "$seeds" ] || { echo "no harness $binary or corpus $seeds" >&2; exit 2; }

# The harnesses write files on every execution: use memory when the machine offers it.
base=/dev/shm
[ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$base/updfuzz-run.XXXXXX")
mkdir "$scratch/tmp" "$scratch/corpus" "$scratch/artifacts"
log=$scratch/fuzz.log

status=0
TMPDIR=$scratch/tmp "$binary" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$scratch/artifacts/" \
  "$scratch/corpus" "$seeds" >"$log" 2>&1 || status=$?

stat() { sed -n "s/^stat::$1: *//p" "$log"; }
last() { grep -o "$1: [0-9]*" "$log" | tail -n 1 | cut -d' ' -f2; }
executions=$(stat number_of_executed_units)
crashes=$(find "$scratch/artifacts" -type f | wc -l)
stray=$(find "$scratch/tmp" -mindepth 1 | wc -l)
echo "$harness: ${executions:-0} executions in $seconds s, $(stat average_exec_per_sec) executions/s," \
  "coverage $(last cov) edges / $(last ft) features, corpus $(last corp) inputs," \
  "$crashes crashes or leaks, $stray stray files"

if [ "$status" -ne 0 ] || [ "$crashes" -ne 0 ] || [ "$stray" -ne 0 ] || [ -z "$executions" ]; then
  tail -n 40 "$log" >&2
  echo "$harness: FAILED (exit status $status); log, inputs and artifacts kept in $scratch" >&2
  exit 1
fi
rm -rf "$scratch"
