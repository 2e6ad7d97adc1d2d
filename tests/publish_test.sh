#!/bin/bash
# updtool publish as a reader of the shared folder sees it: over random publications, every
# file goes in by one rename from a temporary name, the archives before the index; and a disk
# that fills up half way keeps the old index and leaves no temporary file.
set -euo pipefail
tool=$1
work=$(mktemp -d)
small=$work/small
trap 'umount "$small" 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v strace >/dev/null || fail "strace is needed (scripts/packages.sh installs it)"

# An index package in $work/$1 naming the archives given after it.
index() {
  local package=$1; shift
  mkdir -p "$work/xml"
  { printf '<?xml version="1.0" encoding="windows-1251"?>\n<updates of="%s">\n' "${package%.upd}"
    for name; do printf '  <update file="%s"/>\n' "$name"; done
    printf '</updates>\n'; } > "$work/xml/updates.xml"
  "$tool" pack -o "$work/$package" "$work/xml/updates.xml"
}

share=$work/share
mkdir -p "$share" "$work/src"
published=()
for round in 1 2 3 4 5; do
  fresh=()
  for ((i = 0; i < RANDOM % 4; i++)); do
    name=r$round-$i.upd
    head -c $((RANDOM * 8)) /dev/urandom > "$work/src/$name"
    fresh+=("$name")
  done
  index idx$round.upd "${published[@]}" "${fresh[@]}"
  # Already published archives come along again: the same bytes are skipped, not renamed.
  sources=()
  for name in "${published[@]}" "${fresh[@]}"; do sources+=("$work/src/$name"); done
  # (LeakSanitizer cannot run under ptrace: an AddressSanitizer build checks leaks elsewhere.)
  ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 \
    strace -f -qq -e trace=rename,renameat,renameat2 -o "$work/trace" \
    "$tool" publish -t "$share" "$work/idx$round.upd" "${sources[@]}" > "$work/out"
  # "from to" per rename into the folder, in the kernel's order.
  grep -o '"[^"]*"' "$work/trace" | tr -d '"' | paste -d' ' - - | grep " $share/" > "$work/renames" || true
  expected=("${fresh[@]}" updates.upd)
  [ "$(wc -l < "$work/renames")" -eq ${#expected[@]} ] || fail "round $round: $(cat "$work/renames")"
  line=0
  while read -r from to; do
    line=$((line + 1))
    base=${from##*/}
    [ "${from%/*}" = "$share" ] && [[ $base == .* ]] && [[ $base != *.upd ]] ||
      fail "round $round: $to came from $from"
    if [ $line -lt ${#expected[@]} ]; then
      [[ " ${fresh[*]} " == *" ${to##*/} "* ]] || fail "round $round: $to before the archives"
    else
      [ "$to" = "$share/updates.upd" ] || fail "round $round: the last rename is $to"
    fi
  done < "$work/renames"
  for name in "${published[@]}"; do grep -q "^$name	вече е там	" "$work/out" || fail "$name"; done
  cmp -s "$share/updates.upd" "$work/idx$round.upd" || fail "round $round: index"
  published+=("${fresh[@]}")
done

# A small file system: the second archive does not fit. Where mounting is not allowed, a file
# size limit fails the write the same way.
mkdir "$small"
limit=:
if ! mount -t tmpfs -o size=1m tmpfs "$small" 2>/dev/null; then
  limit="ulimit -f 700; trap '' XFSZ"
fi
index old.upd
"$tool" publish -t "$small" "$work/old.upd" > /dev/null
head -c 300000 /dev/urandom > "$work/src/fits.upd"
head -c 900000 /dev/urandom > "$work/src/too-big.upd"
index new.upd fits.upd too-big.upd
if (eval "$limit"; exec "$tool" publish -t "$small" "$work/new.upd" "$work/src/fits.upd" \
      "$work/src/too-big.upd") > /dev/null 2> "$work/err"; then
  fail "publishing onto a full disk succeeded"
fi
grep -q too-big.upd "$work/err" || fail "the message does not name the file: $(cat "$work/err")"
cmp -s "$small/updates.upd" "$work/old.upd" || fail "the old index changed"
[ -z "$(find "$small" -name '.*' -newer "$work/old.upd")" ] || fail "a temporary file was left"
[ ! -e "$small/too-big.upd" ] || fail "a half-copied archive under its name"

# A publication killed with SIGKILL leaves its temporary file: a dry run names it on standard
# error and keeps it, the next publication names it and removes it; the reports stay as they are.
killed=$work/killed
mkdir "$killed"
truncate -s 300M "$work/src/big.upd"
index big.upd big.upd
"$tool" publish -t "$killed" "$work/big.upd" "$work/src/big.upd" > /dev/null &
until leftover=$(find "$killed" -name '.*.tmp'); [ -n "$leftover" ]; do
  kill -0 $! 2>/dev/null || fail "the publication ended before its copy"
done
kill -9 $! && { wait $! 2>/dev/null || true; }
for run in --dry-run ""; do
  "$tool" publish $run -t "$killed" "$work/old.upd" > "$work/out" 2> "$work/err" || fail "publish $run"
  grep -qF "временен файл, оставен от прекъснато изпълнение: \"$leftover\"" "$work/err" ||
    fail "$run does not name $leftover: $(cat "$work/err")"
  [ "$(cut -f1,2 "$work/out")" = "updates.upd	$([ "$run" ] && echo 'ще бъде копиран' || echo копиран)" ] ||
    fail "$run's report: $(cat "$work/out")"
done
[ -z "$(ls -A "$killed" | grep -v '^updates.upd$')" ] || fail "left in the folder: $(ls -A "$killed")"
echo "publish: order over 5 random publications, a full disk, a killed publication: ok"
