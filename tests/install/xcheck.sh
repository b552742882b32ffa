# Shell helpers for the installed-program tests: a private user folder set
# and what xdotool/xwininfo see of a running Mirell. Sourced, not run.

# mirell_env DIR: per-user folders under DIR, as exported variables.
mirell_env() {
  mkdir -p "$1/config" "$1/data" "$1/run" "$1/home"
  chmod 700 "$1/run"
  export HOME="$1/home" XDG_CONFIG_HOME="$1/config" XDG_DATA_HOME="$1/data" XDG_RUNTIME_DIR="$1/run"
  # No session bus: the tray and the desktop are the plain X ones.
  export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus
  unset QT_QPA_PLATFORM
}

# wait_for SECONDS COMMAND...: true once COMMAND succeeds within SECONDS.
wait_for() {
  local end=$((SECONDS + $1)); shift
  until "$@"; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.3
  done
}

start_tray() {
  trayer --edge bottom --align right --widthtype pixel --width 200 --heighttype pixel --height 32 \
         --SetDockType true --transparent false --tint 0x808080 >/dev/null 2>&1 &
  tray_pid=$!
}

# docked_icon PID: prints the window of PID that sits in the tray.
docked_icon() {
  local tray w mine
  mine=$(xdotool search --pid "$1" 2>/dev/null) || return 1
  for tray in $(xdotool search --class trayer 2>/dev/null); do
    for w in $(xwininfo -tree -id "$tray" 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) ".*": ("\(.*\)/\1/p'); do
      if grep -qx "$((w))" <<<"$mine"; then echo "$((w))"; return 0; fi
    done
  done
  return 1
}

# shown_window PID: prints a viewable top-level window of PID (a menu or a window).
shown_window() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
    if xwininfo -children -id "$w" | grep -q 'Parent window id: .*(the root window)'; then
      echo "$w"; return 0
    fi
  done
  return 1
}

# geometry WINDOW: "x y width height" on the screen.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
                           /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}'
}

fail() { echo "FAIL: $*" >&2; exit 1; }
