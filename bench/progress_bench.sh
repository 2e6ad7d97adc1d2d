#!/usr/bin/env bash
# The archiver's progress on a patch folder like a real update's (half text, half random):
#  1. one `updtool archive` on a terminal: how often the percentage changes, and how close
#     the time left it shows at 25, 50 and 75 % is to the time the archiving really took;
#  2. the cost of asking 7-Zip for progress: `7zz a -bsp1` against `7zz a`, output into a
#     pipe, in alternating pairs; prints the medians and the median per-pair ratio.
# Usage: bench/progress_bench.sh [pairs] [size-in-MiB]   (builds the release updtool first)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/timing.sh
tool=$(release_updtool python3)
sevenzip=$(command -v 7zz)
pairs=${1:-5}
size_mib=${2:-100}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 bench/patch_folder.py "$work/patch" "$size_mib"

echo "== updtool archive on a terminal ($size_mib MiB, $(nproc) cores, shared)"
python3 bench/progress_watch.py "$tool" archive --password 'bench pw' -o "$work/tool.upd" \
  "$work/patch" --archiver "$sevenzip"

run_7zz() {  # run_7zz [SWITCH]: archives the folder, the output into a pipe
  rm -f "$work/plain.upd"
  (cd "$work/patch" && seconds sh -c '"$0" a "-pbench pw" "$1" "*" $2 | cat >/dev/null' \
    "$sevenzip" "$work/plain.upd" "${1:-}")
}
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

echo "== the cost of -bsp1"
with=() without=() ratios=()
for ((i = 0; i < pairs; i++)); do
  if ((i % 2 == 0)); then
    w=$(run_7zz -bsp1); o=$(run_7zz)
  else
    o=$(run_7zz); w=$(run_7zz -bsp1)
  fi
  with+=("$w") without+=("$o") ratios+=("$(echo "$w / $o" | bc -l)")
  printf 'pair %d: with -bsp1 %6.2fs  without %6.2fs\n' "$((i + 1))" "$w" "$o"
done
printf 'median with -bsp1      %6.2fs\n' "$(printf '%s\n' "${with[@]}" | median)"
printf 'median without         %6.2fs\n' "$(printf '%s\n' "${without[@]}" | median)"
printf 'median ratio           %.3f (spread of the ratios: %s .. %s)\n' \
  "$(printf '%s\n' "${ratios[@]}" | median)" \
  "$(printf '%s\n' "${ratios[@]}" | sort -g | head -1 | xargs printf '%.3f')" \
  "$(printf '%s\n' "${ratios[@]}" | sort -g | tail -1 | xargs printf '%.3f')"
