#!/usr/bin/env bash
# At login the notification area may come up after Mirell. A tray that turns
# up after the start, within the wait, gets the icon and no window opens; with
# no tray at all the settings window opens once the wait is over. The wait is
# shortened from a login's 10 s.
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
export MIRELL_TRAY_WAIT_MS=3000
window_shown() { xdotool search --onlyvisible --name '^Mirell!$' >/dev/null 2>&1; }
ms() { echo $(($(date +%s%N) / 1000000)); }

started=$(ms)
"$program" &
pid=$!
sleep 1
start_tray
wait_for 20 docked_icon $pid >/dev/null || fail "the icon did not dock in a late tray"
# Past the wait, the window must still be closed.
sleep $(((MIRELL_TRAY_WAIT_MS + 1000 - ($(ms) - started)) / 1000 + 1))
window_shown && fail "a window opened although the tray came in time"
kill $pid $tray_pid
wait $pid $tray_pid 2>/dev/null
# Let the tray's selection go before the next start.
wait_for 10 sh -c '! xdotool search --class trayer >/dev/null 2>&1' || fail "trayer stays"

started=$(ms)
"$program" &
pid=$!
wait_for 40 window_shown || fail "no window without a tray"
waited=$(($(ms) - started))
[ $waited -ge $MIRELL_TRAY_WAIT_MS ] || fail "the window opened after ${waited} ms, before the tray had its time"
echo "late-tray: ok (window after ${waited} ms)"
