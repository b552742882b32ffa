# Sourced by check.sh after wine-steps.sh. A program folder the user may not
# write, as Program Files is to a standard user: the wallpaper goes to the
# user's own data folder. Wine runs as root here and root writes anywhere, so
# this copy runs as nobody, in a prefix of its own.
if [ "$(id -u)" = 0 ] && id nobody >/dev/null 2>&1; then
  other=$(mktemp -d)
  chmod 755 "$other"
  chown nobody "$other"
  as_nobody() {
    runuser -u nobody -- env DISPLAY="$DISPLAY" WINEPREFIX="$other" WINEDEBUG=-all \
      WINEDLLOVERRIDES="$WINEDLLOVERRIDES" HOME="$other" timeout 120 "$wine" "$@"
  }
  trap 'as_nobody wineserver -k 2>/dev/null || true; rm -rf "$other"; wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
  as_nobody wineboot -i >/dev/null 2>&1
  cp -r "$build/Mirell" "$other/drive_c/Mirell"
  cp "$drive/pics/sea.jpg" "$other/drive_c/sea.jpg"
  as_nobody reg add "$key" /v Files0 /d 'C:\sea.jpg' /f >/dev/null
  as_nobody reg add "$key" /v ListCount /d 0 /f >/dev/null
  as_nobody 'C:\Mirell\mirell.exe' >/dev/null 2>&1 &
  nobody_runs() { as_nobody 'C:\Mirell\mirell.exe' --status >/dev/null 2>&1; }
  until_true nobody_runs || fail "the copy run by another user does not answer"
  as_nobody 'C:\Mirell\mirell.exe' --next >/dev/null 2>&1 || fail "another user's --next"
  data='C:\users\nobody\AppData\Local\Mirell!\MirellWP.bmp'
  nobody_wallpaper() {
    as_nobody reg query 'HKCU\Control Panel\Desktop' /v Wallpaper 2>/dev/null | grep -qF "$data"
  }
  until_true nobody_wallpaper || fail "the wallpaper of a read-only program folder is not $data"
  [ -f "$other/drive_c/users/nobody/AppData/Local/Mirell!/MirellWP.bmp" ] &&
    [ ! -e "$other/drive_c/Mirell/MirellWP.bmp" ] || fail "MirellWP.bmp is not in the data folder"
  as_nobody 'C:\Mirell\mirell.exe' --quit >/dev/null 2>&1 || true
  ok "a program folder the user cannot write: the wallpaper is $data"
fi
