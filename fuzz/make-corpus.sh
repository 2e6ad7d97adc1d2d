#!/usr/bin/env bash
# Writes the seed corpora of the fuzz harnesses into fuzz/corpus/ (committed):
# containers made by our own writer (updtool pack) for the reader, and encoded file lists
# for the round trip. Usage: fuzz/make-corpus.sh [UPDTOOL]  (default: build/debug/src/updtool)
set -euo pipefail
cd "$(dirname "$0")/.."
updtool=$(realpath "${1:-build/debug/src/updtool}")
[ -x "$updtool" ] || { echo "no updtool at $updtool: build it first" >&2; exit 1; }

reader=fuzz/corpus/reader
round=fuzz/corpus/round_trip
rm -rf "$reader" "$round"
mkdir -p "$reader" "$round"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Deterministic content: XML-like text, or bytes that do not compress (no NUL: mawk's %c).
text() { LC_ALL=C awk -v n="$1" 'BEGIN { srand(3); s = "";
  while (length(s) < n) s = s sprintf("  <update name=\"patch%d.upd\"/>\n", int(rand() * 99999));
  printf "%s", substr(s, 1, n) }'; }
noise() { LC_ALL=C awk -v n="$1" 'BEGIN { srand(5);
  for (i = 0; i < n; i++) printf "%c", 1 + int(rand() * 255) }'; }
pack() { local out=$1; shift; (cd "$work" && "$updtool" pack -o "$OLDPWD/$reader/$out" "$@"); }

: >"$work/updates.xml"
pack empty-file.upd updates.xml
text 700 >"$work/updates.xml"
pack one-entry.upd updates.xml
mkdir -p "$work/more"
: >"$work/more/empty.txt"
text 3000 >"$work/more/index.xml"
noise 300 >"$work/more/data.bin"
pack several-entries.upd updates.xml more/empty.txt more/index.xml more/data.bin
text 500 >"$work/Обновления.xml"
pack cyrillic-name.upd Обновления.xml
for size in 61440 65535 65537; do
  text "$size" >"$work/text-$size.xml"
  pack "text-$size.upd" "text-$size.xml"
done
noise 65536 >"$work/noise.bin"
pack noise-65536.upd noise.bin
printf '\0\0\0\0' >"$reader/no-entries.upd"

# Round trip inputs (layout in RoundTripFuzzer.cpp).
printf '\x01\x0bupdates.xml\x00\x0a\x00<updates/>' >"$round/one-entry"
printf '\x03\x05a.xml\x01\x01\xf0\x00\x03<a/>\x05empty\x00\x00\x00\x04\x80\x81.x\x02\x01\x00\x01seed' \
  >"$round/several-entries"
printf '\x02\x07CON.xml\x00\x01\x00x\x02..\x00\x00\x00' >"$round/refused-names"
ls -l "$reader" "$round"
