#!/usr/bin/env bash
# Runs a command on a private X server, then takes it down. Options, in any
# order: --tray adds a notification area (trayer), --wm a window manager
# (openbox), for tests that need real placement, stacking and focus.
# MIRELL_XVFB_WM=1 in the environment asks for the window manager too, so a
# ctest ENVIRONMENT can.
# -noreset keeps pixmaps that clients leave behind for the root window.
set -u
tray=0
wm=${MIRELL_XVFB_WM:-0}
while :; do
  case "${1:-}" in
    --tray) tray=1; shift ;;
    --wm) wm=1; shift ;;
    *) break ;;
  esac
done

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r -t 20 num <"$fifo"
rm -f "$fifo"
if [ -z "${num:-}" ]; then echo "with-xvfb: Xvfb did not start" >&2; kill $xvfb 2>/dev/null; exit 1; fi
export DISPLAY=":$num"
unset WAYLAND_DISPLAY XDG_CURRENT_DESKTOP DESKTOP_SESSION XDG_SESSION_DESKTOP XDG_SESSION_TYPE SWAYSOCK HYPRLAND_INSTANCE_SIGNATURE KDE_FULL_SESSION

wm_pid=""
if [ $wm -eq 1 ]; then
  openbox --sm-disable >/dev/null 2>&1 &
  wm_pid=$!
  # Windows mapped before the manager runs would never be placed or framed.
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    echo "with-xvfb: openbox did not start" >&2; kill $wm_pid $xvfb 2>/dev/null; exit 1
  fi
fi

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
[ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
kill $xvfb 2>/dev/null
wait 2>/dev/null
exit $rc
