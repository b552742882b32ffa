#!/usr/bin/env bash
# At login the notification area may come up after Mirell. A tray that turns
# up 3 s after the start gets the icon and no window opens; with no tray at
# all the settings window opens once 10 s have passed.
# Usage (on a display without a tray): late-tray.sh PROGRAM
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=xcheck.sh
source "$here/xcheck.sh"
program=$1
pid="" tray_pid=""
tmp=$(mktemp -d)
trap 'kill $pid $tray_pid 2>/dev/null; rm -rf "$tmp"' EXIT
mirell_env "$tmp"
window_shown() { xdotool search --onlyvisible --name '^Mirell!$' >/dev/null 2>&1; }

"$program" &
pid=$!
sleep 3
start_tray
wait_for 20 docked_icon $pid >/dev/null || fail "the icon did not dock in a late tray"
# Past the waiting time, the window must still be closed.
sleep $((13 - SECONDS > 0 ? 13 - SECONDS : 0))
window_shown && fail "a window opened although the tray came in time"
kill $pid $tray_pid
wait $pid $tray_pid 2>/dev/null
# Let the tray's selection go before the next start.
wait_for 10 sh -c '! xdotool search --class trayer >/dev/null 2>&1' || fail "trayer stays"

started=$SECONDS
"$program" &
pid=$!
wait_for 40 window_shown || fail "no window without a tray"
waited=$((SECONDS - started))
[ $waited -ge 9 ] || fail "the window opened after ${waited} s, before the tray had its time"
echo "late-tray: ok (window after ${waited} s)"
