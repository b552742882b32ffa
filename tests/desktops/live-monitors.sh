#!/usr/bin/env bash
# Run by hand: checks on a real desktop with two monitors of different sizes
# that every monitor mode shows what it should after `mirell --next`.
#
#   tests/desktops/live-monitors.sh xfce|kde|gnome|gnome-wayland|cinnamon|mate|lxqt [mirell]
#
# Needs the desktop itself, which CI does not install:
#   all:   imagemagick dbus-x11, and but for gnome-wayland xserver-xorg-video-dummy
#   xfce:  xfdesktop4 xfconf xfwm4 trayer
#   kde:   kwin-x11 plasma-desktop plasma-workspace
#   gnome: gnome-shell mutter, and gnome-screenshot for gnome-wayland
#   cinnamon: cinnamon (run as its whole session);  mate: caja openbox trayer;
#   lxqt: pcmanfm-qt openbox trayer
# All but gnome-wayland run on Xorg's dummy driver, started by this script, so
# run it as root for them; gnome-wayland is GNOME Shell headless. Everything
# runs on display :87 or a private Wayland socket, with a throwaway HOME, and
# is stopped at the end.
#
# The pictures are solid red, green and blue, and for "across all" one
# picture red on the left monitor's share and blue on the right's. Each
# monitor is sampled at a quarter and three quarters of its width: R, G, B,
# K for black, ? for anything else. Prints one PASS/FAIL line per check and
# exits 1 when any fails. KEEP=folder keeps the screenshots and the log.
set -u
desktop=${1:?usage: live-monitors.sh xfce|kde|gnome|gnome-wayland|cinnamon|mate|lxqt [mirell]}
mirell=$(realpath "${2:-build/bin/mirell}")
work=$(mktemp -d /tmp/live-monitors.XXXXXX)
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset SESSION_MANAGER WAYLAND_DISPLAY DISPLAY SWAYSOCK
failed=0
cleanup() {
  "$mirell" --quit >/dev/null 2>&1
  # Whatever carries this run's folder in its environment is ours, also what
  # the session bus started on its own.
  for p in /proc/[0-9]*; do grep -qs "$work" "$p/environ" && kill "${p#/proc/}" 2>/dev/null; done
  sleep 1
  rm -rf "$work"
}
trap cleanup EXIT
spawn() { "$@" >>"$work/log" 2>&1 & }
waitfor() { for _ in $(seq 100); do eval "$1" >/dev/null 2>&1 && return 0; sleep 0.2; done; return 1; }

# Monitor A is the primary on the left, B on its right, smaller.
A="0 0 1024 768" B="1024 0 800 600"
monitor_on() { xrandr --output DUMMY1 --mode 800x600 --pos 1024x0; }
layout() { xrandr --output DUMMY0 --mode 1024x768 --pos 0x0 --primary && monitor_on; }
monitor_off() { xrandr --output DUMMY1 --off; }
capture() { import -window root "$1"; }
xorg_session() { # the dummy driver has real outputs, DUMMY0 and DUMMY1
  printf '%s\n' 'Section "Device"' 'Identifier "d"' 'Driver "dummy"' 'VideoRam 64000' \
    EndSection 'Section "Monitor"' 'Identifier "m"' 'HorizSync 5-1000' 'VertRefresh 5-200' \
    EndSection 'Section "Screen"' 'Identifier "s"' 'Device "d"' 'Monitor "m"' \
    'DefaultDepth 24' 'SubSection "Display"' 'Virtual 2048 1024' EndSubSection EndSection \
    >"$work/xorg.conf"
  export DISPLAY=:87
  spawn Xorg "$DISPLAY" -noreset -nolisten tcp -config "$work/xorg.conf" -logfile "$work/Xorg.log"
  waitfor 'xrandr -q' || { echo "Xorg did not start"; exit 1; }
  xrandr --addmode DUMMY1 800x600
  layout
  # Until a client polls, GTK (asking for the current state only) sees one monitor.
  xrandr -q >/dev/null
  eval "$(dbus-launch --sh-syntax)"
}

case $desktop in
xfce)
  export XDG_CURRENT_DESKTOP=XFCE
  xorg_session
  spawn xfwm4 --compositor=off
  spawn xfdesktop
  spawn trayer --expand false
  waitfor 'xfconf-query -c xfce4-desktop -p /backdrop -l | grep -q DUMMY1' ||
    { echo "xfdesktop did not see both monitors"; exit 1; }
  ;;
kde) # on X11: kwin_wayland needs file capabilities a container may refuse
  export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5
  xorg_session
  KWIN_COMPOSE=N spawn kwin_x11
  spawn plasmashell
  waitfor 'dbus-send --print-reply --dest=org.kde.plasmashell /PlasmaShell \
    org.kde.PlasmaShell.evaluateScript string:"print(screenCount)" | grep -q "\"2"' ||
    { echo "plasmashell did not show both monitors"; exit 1; }
  ;;
mate | lxqt) # the desktop's own painter under openbox
  xorg_session
  spawn openbox
  spawn trayer --expand false
  if [ "$desktop" = mate ]; then
    export XDG_CURRENT_DESKTOP=MATE
    spawn caja -n --force-desktop
    waitfor 'xwininfo -root -tree | grep -q "\"caja\""' || { echo "caja did not start"; exit 1; }
  else
    export XDG_CURRENT_DESKTOP=LXQt
    spawn pcmanfm-qt --desktop --profile=lxqt # as the session starts it
    waitfor 'gdbus call -e -d org.pcmanfm.PCManFM -o / -m org.freedesktop.DBus.Peer.Ping' ||
      { echo "pcmanfm-qt did not start"; exit 1; }
  fi
  ;;
cinnamon)
  export XDG_CURRENT_DESKTOP=X-Cinnamon
  xorg_session
  # The whole session: its painter, csd-background, waits for it to run.
  spawn cinnamon-session --session cinnamon
  waitfor 'gdbus call -e -d org.Cinnamon -o /org/Cinnamon -m org.freedesktop.DBus.Peer.Ping' ||
    { echo "cinnamon did not start"; exit 1; }
  sleep 2 && layout
  ;;
gnome | gnome-wayland)
  export XDG_CURRENT_DESKTOP=GNOME
  # The shell asks logind on the system bus; a bus of its own where there is none.
  [ -S /run/dbus/system_bus_socket ] || export DBUS_SYSTEM_BUS_ADDRESS=$(dbus-launch | sed -n 's/^DBUS_SESSION_BUS_ADDRESS=//p')
  if [ "$desktop" = gnome ]; then
    export XDG_SESSION_TYPE=x11
    xorg_session
    spawn gnome-shell --x11
  else # virtual monitors stay put: no unplugging there
    export XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-0
    eval "$(dbus-launch --sh-syntax)"
    spawn gnome-shell --headless --no-x11 --virtual-monitor 1024x768 --virtual-monitor 800x600
    unset -f monitor_off
    capture() { gnome-screenshot -f "$1"; }
  fi
  # Out of the overview the shell starts in; and with no notification area,
  # no settings window over the pictures.
  overview() { gdbus call -e -d org.gnome.Shell -o /org/gnome/Shell -m org.freedesktop.DBus.Properties."$@"; }
  waitfor 'overview Get org.gnome.Shell OverviewActive | grep -q true' ||
    { echo "gnome-shell did not start"; exit 1; }
  overview Set org.gnome.Shell OverviewActive '<false>' >/dev/null
  [ "$desktop" = gnome ] && layout # the shell sets up the monitors its own way
  export MIRELL_TRAY_WAIT_MS=600000
  ;;
*)
  echo "unknown desktop $desktop"
  exit 2
  ;;
esac

# A colour letter for the pixel at x,y of a picture.
colour() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info: |
    awk '{ s = ""; for (i = 1; i <= 3; i++) s = s ($i > 160 ? 1 : $i < 90 ? 0 : "x")
           m["100"] = "R"; m["010"] = "G"; m["001"] = "B"; m["000"] = "K"
           print (s in m) ? m[s] : "?" }'
}
# Two letters per monitor, "A:RR B:GG", of what the desktop shows now.
shows() {
  local shot=$work/shot-$1.png out="" name x y w h
  capture "$shot"
  for name in A ${2-B}; do
    read -r x y w h <<<"${!name}"
    out+="$name:$(colour "$shot" $((x + w / 4)) $((y + h / 2)))"
    out+="$(colour "$shot" $((x + w * 3 / 4)) $((y + h / 2))) "
  done
  echo "${out% }"
}
check() { # name, what it shows, extended regular expression it must match
  if [[ $2 =~ ^$3$ ]]; then echo "PASS $1: $2"; else echo "FAIL $1: $2 (wanted $3)"; failed=1; fi
}
settle() { sleep "${SETTLE:-3}"; }

convert -size 64x64 xc:red "$work/red.png"
convert -size 64x64 xc:lime "$work/green.png"
convert -size 64x64 xc:blue "$work/blue.png"
convert -size 1024x768 xc:red -size 800x768 xc:blue +append "$work/across.png"
run_mode() { # mode, pictures...
  local mode=$1 n=0 line
  shift
  {
    echo "[Setting]"
    echo "MirellTime=999"
    echo "OrderMode=0"
    echo "Stretch=True"
    echo "MonitorMode=$mode"
    echo "ListCount=$(($# - 1))"
    for line; do echo "Files$n=$line" && n=$((n + 1)); done
    echo "[Caption]"
    echo "ShowCaption=False"
  } >"$XDG_CONFIG_HOME/Mirell!.ini"
  spawn "$mirell"
  waitfor '"$mirell" --status' || { echo "FAIL mode $mode: mirell did not start"; failed=1; return 1; }
  settle
}
stop_mirell() { "$mirell" --quit && waitfor '! "$mirell" --status'; }

# The list starts at red, so the first switch shows green. The same on each:
# a new picture on both at every switch, also when a file comes again.
run_mode 0 "$work/red.png" "$work/green.png" "$work/blue.png"
n=0
for want in G B R G; do
  "$mirell" --next && settle && n=$((n + 1))
  check "same on each, --next" "$(shows same$n)" "A:$want$want B:$want$want"
done
# A desktop that redrew the old picture for one monitor must not keep it.
if declare -F monitor_off >/dev/null; then
  monitor_off && settle
  for want in B R; do
    "$mirell" --next && settle
    check "same on each, B removed, --next" "$(shows same$want "")" "A:$want$want"
  done
  monitor_on && settle
fi
stop_mirell

# Each its own: two pictures a switch, the next switch goes on after them.
run_mode 1 "$work/red.png" "$work/green.png" "$work/blue.png"
"$mirell" --next && settle
check "each its own, --next" "$(shows each1)" 'A:GG B:BB'
"$mirell" --next && settle
check "each its own, --next again" "$(shows each2)" 'A:RR B:GG'
stop_mirell

# Across all: the left share on A, the right on B; with B gone, A shows the
# whole picture, and B is painted again when it comes back.
run_mode 2 "$work/across.png"
"$mirell" --next && settle
check "across all, --next" "$(shows across1)" 'A:RR B:BB'
if declare -F monitor_off >/dev/null; then
  monitor_off && settle
  check "across all, B removed" "$(shows across2 "")" 'A:RB'
  monitor_on && settle
  check "across all, B back" "$(shows across3)" 'A:RR B:BB'
fi
stop_mirell
[ -n "${KEEP:-}" ] && cp "$work"/shot-*.png "$work/log" "$KEEP"/
exit $failed
