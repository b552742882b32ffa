#!/usr/bin/env bash
# Installs the build into a temporary prefix and starts the installed program
# as an ordinary user, then again after the whole tree has moved elsewhere:
# the icon docks (so Chronome came from lib/mirell), and "今すぐMirell!"
# composes into the user's data folder because bin is not writable.
# Usage (on a display with a tray): installed-run.sh BUILD_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=xcheck.sh
source "$here/xcheck.sh"
build=$1
pid=""
tmp=$(mktemp -d)
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; rm -rf "$tmp"' EXIT
chmod 755 "$tmp"

DESTDIR="$tmp/root" cmake --install "$build" --prefix /opt/mirell >/dev/null || fail "install"
prefix=$tmp/root/opt/mirell
[ "$(ls "$prefix/bin")" = mirell ] || fail "bin holds more than the program: $(ls "$prefix/bin")"
ls "$prefix"/lib*/mirell/Chronome* >/dev/null || fail "Chronome is not in lib/mirell"
# /opt/mirell/bin is on no one's PATH: the menu entry names the program in full.
entry=$prefix/share/applications/io.github.mirell.Mirell.desktop
[ "$(grep -c '^Exec=/opt/mirell/bin/mirell' "$entry")" = 6 ] || fail "menu entry: $(grep ^Exec "$entry")"

user=$tmp/user
mirell_env "$user"
convert -size 320x200 xc:'rgb(200,30,30)' "BMP3:$user/red.bmp"
cat >"$user/config/Mirell!.ini" <<INI
[Setting]
Files0=$user/red.bmp
Title0=red.bmp
ListCount=0
OrderMode=0
MirellTime=999
INI
# Root may write anywhere, so the program runs as nobody; anyone else is
# kept out of bin by its permissions.
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody:nogroup "$user"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
else
  chmod a-w "$prefix/bin"
  as_user=()
fi

run_installed() {
  local bmp x y w h icon menu
  "${as_user[@]}" "$1/bin/mirell" &
  pid=$!
  wait_for 20 docked_icon $pid >/dev/null || fail "$1: the icon did not dock"
  icon=$(docked_icon $pid)
  read -r x y w h < <(geometry "$icon")
  # Keys do not reach a pop-up without a window manager: the first item is clicked.
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) sleep 0.2 click 3
  wait_for 10 shown_window $pid >/dev/null || fail "$1: no menu"
  menu=$(shown_window $pid)
  read -r x y w h < <(geometry "$menu")
  xdotool mousemove $((x + 30)) $((y + 10)) sleep 0.2 click 1
  bmp="$user/data/Mirell!/MirellWP.bmp"
  wait_for 20 test -s "$bmp" || fail "$1: nothing composed in $user/data"
  [ ! -e "$1/bin/MirellWP.bmp" ] || fail "$1: composed into bin"
  kill $pid
  wait $pid 2>/dev/null
  pid=""
  rm -f "$bmp"
}

run_installed "$prefix"
mkdir -p "$tmp/moved here"
mv "$prefix" "$tmp/moved here/"
run_installed "$tmp/moved here/mirell"
echo "installed-run: ok"
