#!/usr/bin/env bash
# Times the walk that `updtool archive` makes through the patch folder before the archiver
# starts (it refuses links and special files): a folder of 20,000 files in 200 subfolders
# against one holding only descriptor.xml. The archiver is /bin/true, so each run ends at the
# check of the (missing) archive; the difference of the medians is the walk.
# Usage: bench/patch_walk_bench.sh [runs] [files]   (builds the release updtool first)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/timing.sh
tool=$(release_updtool)
runs=${1:-7}
files=${2:-20000}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/small" "$work/big"
echo '<descriptor/>' | tee "$work/small/descriptor.xml" > "$work/big/descriptor.xml"
for ((d = 0; d < 200; d++)); do
  mkdir "$work/big/folder$d"
  (cd "$work/big/folder$d" && for ((f = 0; f < files / 200; f++)); do : > "file$f.dat"; done)
done

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
run() {  # the exit status is 1 (no archive to check); only the time counts
  seconds bash -c '"$0" archive --password pw --archiver /bin/true -o "$1/out" "$2" 2>/dev/null || true' \
    "$tool" "$work" "$1"
}
small=$(for ((i = 0; i < runs; i++)); do run "$work/small"; done | median)
big=$(for ((i = 0; i < runs; i++)); do run "$work/big"; done | median)
printf 'descriptor.xml only: %.3f s   %d files: %.3f s   walk: %.3f s\n' \
  "$small" "$files" "$big" "$(echo "$big - $small" | bc -l)"
