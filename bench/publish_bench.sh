#!/usr/bin/env bash
# Times `updtool publish` of four archives (200 MiB together) into a folder on the same disk
# against `cp` + `sync` of the same files, and times the read-back alone: each copy dropped
# from the cache and read again with its SHA-256, as publish does before each rename.
# Usage: bench/publish_bench.sh [MiB] [folder-on-the-disk]   (UPDTOOL=path skips the release build)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/timing.sh
tool=${UPDTOOL:-$(release_updtool)}
size_mib=${1:-200}
work=$(mktemp -d "${2:-/var/tmp}/publish-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/src" "$work/xml" "$work/by-cp" "$work/by-publish"
names=()
for i in 1 2 3 4; do
  head -c $((size_mib * 1024 * 1024 / 4)) /dev/urandom > "$work/src/u$i.upd"
  names+=("u$i.upd")
done
printf '<updates>%s</updates>\n' "$(printf '<update file="%s"/>' "${names[@]}")" \
  > "$work/xml/updates.xml"
"$tool" pack -o "$work/updates.upd" "$work/xml/updates.xml"
sync

copy=$(seconds bash -c 'cp "$1"/src/*.upd "$1/updates.upd" "$1/by-cp/" && sync' _ "$work")
publish=$(seconds "$tool" publish -t "$work/by-publish" "$work/updates.upd" "$work"/src/*.upd)
read_back=$(seconds python3 -c '
import hashlib, os, sys
for path in sys.argv[1:]:
    with open(path, "rb") as f:
        os.posix_fadvise(f.fileno(), 0, 0, os.POSIX_FADV_DONTNEED)
        digest = hashlib.sha256()
        while chunk := f.read(1 << 20):
            digest.update(chunk)
' "$work"/by-publish/*.upd)
cmp "$work/src/u1.upd" "$work/by-publish/u1.upd"

echo "publishing ${size_mib} MiB in 4 archives + the index, into $work"
printf 'cp + sync:        %6.2f s\n' "$copy"
printf 'updtool publish:  %6.2f s  (%.2f x cp + sync)\n' "$publish" "$(echo "$publish / $copy" | bc -l)"
printf 'read-back alone:  %6.2f s  (%.0f %% of publish)\n' "$read_back" \
  "$(echo "100 * $read_back / $publish" | bc -l)"
