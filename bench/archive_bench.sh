#!/usr/bin/env bash
# Times `updtool archive` (archiving, the check of the new archive and the move into place)
# against `7zz a` alone with the same password on the same patch folder: half compressible
# text, half random bytes. Runs alternate; prints the medians and the median of the per-pair
# ratios (target <= 1.10).
# Usage: bench/archive_bench.sh [pairs] [size-in-MiB]   (builds the release updtool first)
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

run_tool() {
  rm -f "$work/tool.upd"
  seconds "$tool" archive --password 'bench pw' -o "$work/tool.upd" "$work/patch" \
    --archiver "$sevenzip"
}
run_7zz() {
  rm -f "$work/plain.upd"
  (cd "$work/patch" && seconds "$sevenzip" a '-pbench pw' "$work/plain.upd" '*')
}

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

tool_times=() plain_times=() ratios=()
for ((i = 0; i < pairs; i++)); do
  if ((i % 2 == 0)); then
    t=$(run_tool); p=$(run_7zz)
  else
    p=$(run_7zz); t=$(run_tool)
  fi
  tool_times+=("$t") plain_times+=("$p") ratios+=("$(echo "$t / $p" | bc -l)")
  printf 'pair %d: updtool %6.2fs  7zz a %6.2fs\n' "$((i + 1))" "$t" "$p"
done

printf 'patch folder           %d MiB (half text, half random), %d pairs, %d cores (shared)\n' \
  "$size_mib" "$pairs" "$(nproc)"
printf 'archive sizes          updtool %d bytes, 7zz %d bytes\n' \
  "$(stat -c %s "$work/tool.upd")" "$(stat -c %s "$work/plain.upd")"
printf 'median updtool archive %6.2fs (with the check)\n' "$(printf '%s\n' "${tool_times[@]}" | median)"
printf 'median 7zz a           %6.2fs\n' "$(printf '%s\n' "${plain_times[@]}" | median)"
printf 'median ratio           %.3f (target <= 1.10)\n' "$(printf '%s\n' "${ratios[@]}" | median)"
