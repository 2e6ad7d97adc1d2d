#!/usr/bin/env bash
# The end-to-end scripts' waits (tests/support/e2e.sh) against a stand-in xdotool that answers
# each look as a table says: found, none, or the X error xdotool ends with when a window it
# walks past is destroyed (a dialog closing beside the one looked for). Such a look must be
# repeated, neither taken as "the window never came" nor as "the window has gone".
# Usage: e2e_waits_test.sh
set -uo pipefail

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/bin/xdotool" <<'FAKE'
#!/usr/bin/env bash
# Answers the next look of $work/looks (the last one again when they run out).
count=$(($(cat "$LOOKS.count" 2>/dev/null || echo 0) + 1))
echo "$count" >"$LOOKS.count"
answer=$(sed -n "${count}p" "$LOOKS")
[ -n "$answer" ] || answer=$(tail -n 1 "$LOOKS")
case $answer in
  found) echo 4242 ;;
  none) exit 1 ;;
  xerror)
    echo "X Error of failed request:  BadWindow (invalid Window parameter)" >&2
    echo "  Major opcode of failed request:  15 (X_QueryTree)" >&2
    exit 1
    ;;
esac
FAKE
chmod +x "$work/bin/xdotool"
export PATH="$work/bin:$PATH" LOOKS="$work/looks"

fail() {
  echo "$*"
  exit 1
}
source "$(dirname "$0")/support/e2e.sh"

failures=0
# step, answers of successive looks, expected outcome ("ok" or a piece of the failure message)
while IFS='|' read -r step looks expected; do
  tr ' ' '\n' <<<"$looks" >"$LOOKS"
  rm -f "$LOOKS.count"
  outcome=$( ($step Box 2 && echo "ok ${found:-}") 2>&1)
  if [[ "$outcome" != *"$expected"* ]]; then
    echo "FAIL: $step after \"$looks\": expected \"$expected\", got \"$outcome\"" >&2
    failures=$((failures + 1))
  fi
done <<'TABLE'
wait_window|xerror xerror found|ok 4242
wait_window|none none found|ok 4242
wait_window|xerror|looks failed, the last: X Error of failed request:  BadWindow
wait_window|none|no window titled "Box" appeared in 2 s (0 looks failed)
wait_gone|xerror none|ok
wait_gone|xerror found|did not close in 2 s
wait_gone|found xerror|the last look failed: X Error
TABLE
[ "$failures" -eq 0 ] && echo "PASS: 7 cases"
exit $((failures > 0))
