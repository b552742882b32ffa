# Sourced by check.sh on its private X server, with $build and $here set.
# Each step says what it checks; the first that fails ends the run.
qt=${MIRELL_WINDOWS_QT:-${MIRELL_WINDOWS_CACHE:-/var/cache/mirell-windows}/qt6}
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
wine=wine
command -v wine >/dev/null || wine=/usr/lib/wine/wine64
w() { timeout 120 "$wine" "$@"; }
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
ok() { echo "ok: $*"; }
# Polls a condition for up to 30 s: wine has no event to wait on from here.
until_true() {
  for _ in $(seq 300); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
windows_path() { echo "Z:${1//\//\\}"; }

w wineboot -i >/dev/null 2>&1
cp /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

# The tests, finding Qt and the mingw runtime where the build took them from.
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
run_test() {
  WINEPATH="$(windows_path "$qt/bin");$(windows_path "$runtime");$(windows_path /usr/x86_64-w64-mingw32/lib)" \
    QT_PLUGIN_PATH=$(windows_path "$qt/plugins") QT_QPA_PLATFORM=offscreen \
    timeout 300 "$wine" "$1" -o "$2,txt" >/dev/null 2>&1
}
failed=()
for test in "$build"/tests/bin/*.exe; do
  name=$(basename "$test" .exe)
  # On a busy machine a timing-sensitive test may fail once under wine: it
  # gets one more run, and the first failure is shown either way.
  if ! run_test "$test" "$work/$name.txt"; then
    echo "FLAKY? $name failed once under wine:"
    grep -h -A3 '^FAIL' "$work/$name.txt" 2>/dev/null || echo "  (no result: it crashed)"
    run_test "$test" "$work/$name.txt" || failed+=("$name")
  fi
  grep -h '^Totals' "$work/$name.txt" 2>/dev/null | sed "s/^/$name: /" || echo "$name: no result"
done
[ ${#failed[@]} -eq 0 ] || {
  grep -h -A3 '^FAIL' "$work"/*.txt >&2 || true
  fail "tests under wine: ${failed[*]}"
}

# The portable folder, unpacked where the user may write: the BMP goes beside it.
drive=$WINEPREFIX/drive_c
# A folder name that breaks naive quoting, in a script or in the registry.
app='C:\壁紙 フォルダ $(x) & y\Mirell'
appdir="$drive/壁紙 フォルダ \$(x) & y/Mirell"
mkdir -p "$(dirname "$appdir")"
cp -r "$build/Mirell" "$appdir"
mkdir -p "$drive/pics"
convert -size 640x480 gradient:red-blue "$drive/pics/sea.jpg"
convert -size 800x600 xc:green "$drive/pics/field.bmp"
convert -size 300x200 xc:yellow "$drive/pics/sun.gif"
key='HKCU\Software\Mirell!\Setting'
n=0
for f in sea.jpg field.bmp sun.gif; do
  w reg add "$key" /v "Files$n" /d "C:\\pics\\$f" /f >/dev/null
  w reg add "$key" /v "Title$n" /d "$f" /f >/dev/null
  n=$((n + 1))
done
w reg add "$key" /v ListCount /d 2 /f >/dev/null
mirell() { timeout 60 "$wine" "$app\mirell.exe" "$@" 2>/dev/null | tr -d '\r'; }
# Empty when the key or the value is not there.
reg_value() { { w reg query "$1" /v "$2" 2>/dev/null || true; } | tr -d '\r' | sed -n "s/^ *$2 *REG_SZ *//p"; }

panel=$(xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ && !p {print $1; p = 1}')
icons() { xwininfo -tree -id "$panel" | grep -c '"explorer.exe"' || true; }
icons_are() { [ "$(icons)" = "$1" ]; }
"$wine" "$app\mirell.exe" >"$work/first.out" 2>&1 &
first=$!
until_true icons_are 1 || { xwininfo -root -tree >&2; fail "no tray icon docked in the notification area"; }
ok "tray icon docked"

second=$(mirell) || fail "a second start ended with an error"
[ -z "$second" ] && [ "$(icons)" = 1 ] && kill -0 $first || fail "a second start was not silent: $second"
ok "a second start is silent"

mirell --next >/dev/null || fail "--next"
bmp="$app\MirellWP.bmp"
# SPI_GETDESKWALLPAPER and Control Panel\Desktop\Wallpaper, one line each.
recorded() { w "$build/deskwallpaper.exe" | tr -d '\r'; }
wallpaper_is() { [ "$(recorded)" = "$1"$'\n'"$1" ]; }
until_true wallpaper_is "$bmp" || fail "Windows has on record: $(recorded)"
[ "$(head -c2 "$appdir/MirellWP.bmp")" = BM ] || fail "MirellWP.bmp is no BMP"
ok "--next: the wallpaper is $bmp, for SPI_GETDESKWALLPAPER and in the registry"

current=$(reg_value "$key" Current)
status=$(mirell --status)
picture=$(reg_value "$key" "Files$((current - 1))")
grep -qxF "picture: $picture" <<<"$status" || fail "--status says '$status', Current is $current"
[ "$(reg_value "$key" ListCount)" = 2 ] && [ "$(reg_value "$key" Title2)" = sun.gif ] ||
  fail "the list in the registry changed"
ok "--status prints $picture, the registry's Current $current"

# As a user would: the menu's 今すぐMirell!(N) by its key, then a double click.
# Wine focuses what is clicked; there is no window manager here.
icon=$(xwininfo -tree -id "$panel" | awk '/"explorer.exe"/ {print $1; exit}')
visible() { [ "$(xdotool search --onlyvisible --class mirell.exe 2>/dev/null | wc -l)" = "$1" ]; }
xdotool mousemove --window "$icon" 5 5 click 3
until_true visible 1 || fail "a right click on the tray icon shows no menu"
import -window root "$build/menu.png"
xdotool key n
current_is() { [ "$(reg_value "$key" Current)" = "$1" ]; }
until_true current_is $((current % 3 + 1)) || fail "the menu's 今すぐMirell!(N) did not switch"
ok "right click: the menu (screenshot $build/menu.png); N switches to the next picture"
settings() {
  until_true xdotool search --onlyvisible --name '^Mirell!$' >/dev/null || fail "no settings window"
  until_true icons_are 0 || fail "the tray icon stays while the settings window is open"
}
xdotool mousemove --window "$icon" 5 5 click --repeat 2 --delay 80 1
settings
window=$(xdotool search --onlyvisible --name '^Mirell!$' | head -1)
xdotool mousemove --window "$window" 30 339 click 1 sleep 0.5 key Escape # on the 現在表示中 label
until_true icons_are 1 || fail "Escape did not close the settings window and bring the icon back"
ok "double click: the settings window, the icon hidden; Escape: the icon back"

mirell --settings >/dev/null
settings
sleep 1 # the window paints after it maps
import -window root "$build/settings.png"
ok "settings window open, tray icon hidden (screenshot $build/settings.png)"

mirell --quit >/dev/null
until_true bash -c "! kill -0 $first 2>/dev/null" || fail "--quit did not end the program"
ok "--quit ends it"
