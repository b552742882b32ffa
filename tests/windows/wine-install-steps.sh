# Sourced by check.sh after wine-steps.sh, in the same prefix: the settings
# and the wallpaper left there are the user's data the uninstaller must keep.
setup=$(ls "$build"/out/Mirell-*-setup.exe)
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Mirell'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
shipped=$(cd "$build/Mirell" && find . -type f | sort)

# mode, registry root, start-menu folder, expected folder prefix
install_round() {
  local mode=$1 root=$2 menu=$3 base=$4
  w "$setup" /S "/$mode" /Autostart || fail "$mode: the silent install failed"
  local dir unix
  dir=$(reg_value "$root\\$uninstall_key" InstallLocation)
  [[ $dir == "$base"* ]] || fail "$mode: installed into '$dir'"
  unix=$(winepath -u "$dir" 2>/dev/null)
  [ "$(cd "$unix" && find . -type f ! -name uninstall.exe | sort)" = "$shipped" ] ||
    fail "$mode: the installed files differ from the portable folder"
  [ -f "$unix/uninstall.exe" ] && [ -f "$drive/$menu/Mirell.lnk" ] ||
    fail "$mode: no uninstaller or no Start-menu entry"
  [[ $(reg_value "$run_key" Mirell) == *"$dir\\mirell.exe"* ]] || fail "$mode: no start at login"
  ok "$mode: installed in $dir with a Start-menu entry and start at login"

  # The installed copy runs; the uninstaller has to end it to remove it.
  "$wine" "$dir\\mirell.exe" >/dev/null 2>&1 &
  local running=$!
  until_true icons_are 1 || fail "$mode: the installed program shows no tray icon"
  timeout 60 "$wine" "$dir\\mirell.exe" --next >/dev/null 2>&1 || fail "$mode: --next"
  until_true wallpaper_is "$dir\\MirellWP.bmp" || fail "$mode: the wallpaper is not beside the program"

  local quiet
  quiet=$(reg_value "$root\\$uninstall_key" QuietUninstallString)
  # The uninstaller runs from a copy of itself and returns at once.
  eval "w $(sed 's/\\/\\\\/g' <<<"$quiet")" || fail "$mode: '$quiet' failed"
  gone() { [ ! -e "$unix/uninstall.exe" ] && [ ! -e "$unix/mirell.exe" ]; }
  until_true gone || fail "$mode: the uninstaller left program files"
  until_true bash -c "! kill -0 $running 2>/dev/null" || fail "$mode: the program still runs"
  local left
  left=$(cd "$unix" 2>/dev/null && find . -mindepth 1 | sort)
  [ -z "$left" ] || [ "$left" = ./MirellWP.bmp ] || fail "$mode: left behind: $left"
  [ ! -e "$drive/$menu/Mirell.lnk" ] && [ -z "$(reg_value "$root\\$uninstall_key" InstallLocation)" ] &&
    [ -z "$(reg_value "$run_key" Mirell)" ] || fail "$mode: the entries stay"
  [ "$(reg_value "$key" ListCount)" = 2 ] || fail "$mode: the uninstaller took the settings"
  ok "$mode: uninstalled; the settings stay${left:+, and the wallpaper}"
}
install_round CurrentUser HKCU "users/$(whoami)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs" \
  'C:\users\'
install_round AllUsers HKLM "ProgramData/Microsoft/Windows/Start Menu/Programs" 'C:\Program Files\'
