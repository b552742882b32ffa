#!/usr/bin/env bash
# Runs a command on a private X server (and, with --tray, a notification
# area), then takes both down. -noreset keeps pixmaps that clients leave
# behind for the root window.
set -u
tray=0
if [ "${1:-}" = "--tray" ]; then tray=1; shift; fi

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r -t 20 num <"$fifo"
rm -f "$fifo"
if [ -z "${num:-}" ]; then echo "with-xvfb: Xvfb did not start" >&2; kill $xvfb 2>/dev/null; exit 1; fi
export DISPLAY=":$num"
unset WAYLAND_DISPLAY XDG_CURRENT_DESKTOP DESKTOP_SESSION XDG_SESSION_DESKTOP XDG_SESSION_TYPE SWAYSOCK HYPRLAND_INSTANCE_SIGNATURE KDE_FULL_SESSION

trayer_pid=""
if [ $tray -eq 1 ]; then
  trayer --edge bottom --align right --widthtype pixel --width 200 --heighttype pixel --height 32 \
         --SetDockType true --transparent false --tint 0x808080 >/dev/null 2>&1 &
  trayer_pid=$!
  # Wait until the tray owns the selection, or tray icons would not dock.
  for _ in $(seq 50); do
    xprop -root 2>/dev/null | grep -q . && xwininfo -root -tree 2>/dev/null | grep -qi 'panel' && break
    sleep 0.1
  done
fi

"$@"
rc=$?
[ -n "$trayer_pid" ] && kill "$trayer_pid" 2>/dev/null
kill $xvfb 2>/dev/null
wait 2>/dev/null
exit $rc
