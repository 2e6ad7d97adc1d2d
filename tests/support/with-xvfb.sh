#!/usr/bin/env bash
# Runs a command in an X server of its own (Xvfb on a free display) with openbox as its
# window manager, and ends both afterwards, also when the command fails or is killed.
# Usage: with-xvfb.sh COMMAND [ARG...]
set -uo pipefail

xvfb_work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
child_pid=""
cleanup() {
  [ -n "$child_pid" ] && kill "$child_pid" 2>/dev/null
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$xvfb_work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$xvfb_work/display" 2>"$xvfb_work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$xvfb_work/display" ] && break
  sleep 0.1
done
if [ ! -s "$xvfb_work/display" ]; then
  echo "Xvfb did not start: $(cat "$xvfb_work/xvfb.log")" >&2
  exit 1
fi
export DISPLAY=":$(head -n 1 "$xvfb_work/display")"
# The command starts once openbox has started: a window mapped meanwhile stays unmapped for good.
if command -v openbox >/dev/null; then
  openbox --sm-disable --startup "touch $xvfb_work/wm-ready" >/dev/null 2>&1 &
  wm_pid=$!
  for _ in $(seq 100); do [ -e "$xvfb_work/wm-ready" ] && break; sleep 0.1; done
fi
# In the background, so that a TERM (a test timeout) is handled at once, not after it.
"$@" &
child_pid=$!
wait "$child_pid"
status=$?
child_pid=""
exit "$status"
