#!/usr/bin/env bash
# Compares updtool with pigz on a 256 MiB XML-like file and prints updtool's peak memory.
# Usage: bench/pack_bench.sh [size-in-MiB]   (builds the release configuration first)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
source bench/timing.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}" pigz time python3 bc
cmake --preset release -DUPD_BUILD_TESTS=OFF >/dev/null
cmake --build --preset release --target updtool >/dev/null
tool=build/release/src/updtool
size_mib=${1:-256}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

make_input() {  # make_input FILE MiB
  python3 - "$1" "$2" <<'PY'
import random, sys
path, mib = sys.argv[1], int(sys.argv[2])
rng = random.Random(1)
target = mib * 1024 * 1024
with open(path, "w") as out:
    written = 0
    while written < target:
        line = '  <update name="patch%05d.upd" date="2026-%02d-%02d" size="%d"/>\n' % (
            rng.randrange(100000), rng.randrange(1, 13), rng.randrange(1, 29), rng.randrange(10**7))
        out.write(line)
        written += len(line)
    out.truncate(target)
PY
}

peak_kib() {  # peak_kib COMMAND... : maximum resident set size
  /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ {print $2}'
}

make_input "$work/updates.xml" "$size_mib"
mkdir -p "$work/out"
pack=$(seconds "$tool" pack -o "$work/updates.upd" "$work/updates.xml")
pigz_pack=$(seconds sh -c "pigz -z -9 -p 1 -c '$work/updates.xml' > '$work/updates.zz'")
unpack=$(seconds "$tool" unpack "$work/updates.upd" "$work/out")
pigz_unpack=$(seconds sh -c "pigz -d -z -c '$work/updates.zz' > '$work/out/pigz.xml'")
cmp -s "$work/updates.xml" "$work/out/updates.xml" || { echo "round trip differs"; exit 1; }

printf 'input                  %d MiB\n' "$size_mib"
printf 'pack   updtool %6.2fs  pigz -9 -p1 %6.2fs  ratio %.3f\n' "$pack" "$pigz_pack" \
  "$(echo "$pack / $pigz_pack" | bc -l)"
printf 'unpack updtool %6.2fs  pigz -d     %6.2fs  ratio %.3f\n' "$unpack" "$pigz_unpack" \
  "$(echo "$unpack / $pigz_unpack" | bc -l)"

make_input "$work/small.xml" 1
for input in small.xml updates.xml; do
  printf 'peak RSS %-12s pack %6d KiB  unpack %6d KiB\n' "$input" \
    "$(peak_kib "$tool" pack -o "$work/$input.upd" "$work/$input")" \
    "$(peak_kib "$tool" unpack "$work/$input.upd" "$work/out")"
done
