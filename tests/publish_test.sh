#!/bin/bash
# updtool publish as a reader of the shared folder sees it: over random publications, every
# file goes in by one rename from a temporary name, the archives before the index; a disk
# that fills up half way keeps the old index and leaves no temporary file; two publishers at
# once, a source that changes while it is copied, an interruption while the folder's file is
# hashed and a report that cannot be written.
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
temporaries() { find "$1" -name '.*' ! -name .publish.lock; }
[ -z "$(temporaries "$small")" ] || fail "a temporary file was left"
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
[ -z "$(ls -A "$killed" | grep -v '^updates.upd$\|^.publish.lock$')" ] ||
  fail "left in the folder: $(ls -A "$killed")"

# Slowed down under strace (each write or read of the tool waits 10 ms), so that a test can
# act while the tool copies or hashes. In the background, exec leaves strace the job itself.
slowly() {
  local call=$1; shift
  ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 \
    exec strace -f -qq -o /dev/null -e trace="$call" -e inject="$call":delay_exit=10000 "$tool" "$@"
}
# Waits until the process given has the file given open; false when it ended first.
opened() {
  for _ in $(seq 3000); do
    local tool_pid; tool_pid=$(pgrep -P "$1") || true
    [ -n "$tool_pid" ] && ls -l "/proc/$tool_pid/fd" 2>/dev/null | grep -q "$2" && echo "$tool_pid" && return
    kill -0 "$1" 2>/dev/null || return 1
    sleep 0.01
  done
  return 1
}
# Two publications into one folder started together, each with its own big.upd, both checked
# before either copy ends: exactly one wins, and the folder holds its archive and its index.
for round in 1 2 3; do
  race=$work/race$round
  mkdir -p "$race/share" "$race/a" "$race/b"
  pids=() statuses=
  for who in a b; do
    head -c 8000000 /dev/urandom > "$race/$who/big.upd"
    index "race$round$who.upd" big.upd
    slowly write publish -t "$race/share" "$work/race$round$who.upd" "$race/$who/big.upd" \
      > /dev/null 2> "$race/$who.err" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" && statuses+=0 || statuses+=$?; done
  case $statuses in 01) winner=a loser=b ;; 10) winner=b loser=a ;; *) fail "round $round: $statuses" ;; esac
  grep -q 'big.upd\|друга публикация' "$race/$loser.err" || fail "round $round: $(cat "$race/$loser.err")"
  cmp -s "$race/share/big.upd" "$race/$winner/big.upd" || fail "round $round: not the winner's archive"
  cmp -s "$race/share/updates.upd" "$work/race$round$winner.upd" || fail "round $round: index"
  [ -z "$(temporaries "$race/share")" ] || fail "round $round: a temporary file was left"
done

change=$work/change
mkdir -p "$change/share"
head -c $((64 << 20)) /dev/urandom > "$work/src/big.upd"
index change.upd big.upd
"$tool" publish -t "$change/share" "$work/old.upd" > /dev/null
ls -l --time-style=full-iso "$change/share" > "$work/before"

# A source that changes once its copy has begun: refused by name, the folder as it was.
slowly write publish -t "$change/share" "$work/change.upd" "$work/src/big.upd" > /dev/null 2> "$work/err" &
traced=$!
opened "$traced" "$change/share/.big.upd" > /dev/null || fail "the copy never began"
printf 'changed' | dd of="$work/src/big.upd" bs=1 seek=$(((64 << 20) - 100)) conv=notrunc status=none
status=0; wait "$traced" || status=$?
[ $status -eq 1 ] && grep -q "src/big.upd\" се промени" "$work/err" || fail "changed source: $status $(cat "$work/err")"
ls -l --time-style=full-iso "$change/share" | diff - "$work/before" || fail "the folder changed"

# Ctrl-C while the archive already in the folder is hashed: a cancel, not another content.
cp "$work/src/big.upd" "$change/share/big.upd"
printf 'other' | dd of="$work/src/big.upd" bs=1 seek=0 conv=notrunc status=none
slowly read publish --replace -t "$change/share" "$work/change.upd" "$work/src/big.upd" > /dev/null 2> "$work/err" &
traced=$!
tool_pid=$(opened "$traced" "$change/share/big.upd") || fail "the folder's archive was never hashed"
kill -INT "$tool_pid"
status=0; wait "$traced" || status=$?
[ $status -eq 130 ] && [ "$(cat "$work/err")" = "Прекъснато." ] || fail "Ctrl-C: $status $(cat "$work/err")"
cmp -s "$change/share/updates.upd" "$work/old.upd" || fail "Ctrl-C: the index changed"

# A report that cannot be written (a full disk; a pipe nobody reads) never stops the publication.
mkfifo "$work/fifo"
exec 3<> "$work/fifo" 4> "$work/fifo" 3<&-
for sink in /dev/full '&4'; do
  rm -rf "$work/report" && mkdir "$work/report"
  status=0
  eval '"$tool" publish -t "$work/report" "$work/old.upd" 2> "$work/err" >'"$sink" || status=$?
  [ $status -eq 1 ] && grep -q "Публикуването завърши, но отчетът" "$work/err" ||
    fail "report to $sink: $status $(cat "$work/err")"
  cmp -s "$work/report/updates.upd" "$work/old.upd" || fail "report to $sink: not published"
done
exec 4>&-
echo "publish: order, a full disk, a killed publication, two publishers, a changing source, Ctrl-C, a lost report: ok"
