#!/usr/bin/env bash
# Builds the Windows wallpaper call with mingw-w64 (without Qt) and runs it
# under wine, reading the wallpaper back. Installs what it needs.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
source "$here/scripts/deps.sh"
mirell_install g++-mingw-w64-x86-64-win32 wine64 wine

work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

x86_64-w64-mingw32-g++ -std=c++20 -O1 -Wall -Wextra -municode -static \
  -I"$here/platform/backends" \
  "$here/platform/backends/WindowsWallpaper_win.cpp" \
  "$here/tests/desktops/windows-check-main.cpp" \
  -o "$work/windows-check.exe" -luser32

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=wine
command -v wine >/dev/null || wine=/usr/lib/wine/wine64
# user32 wants a display; bring a private one when there is none.
run=(timeout 600 "$wine" "$work/windows-check.exe" 'C:\users\Public')
[ -n "${DISPLAY:-}" ] || run=("$here/tests/with-xvfb.sh" "${run[@]}")
"${run[@]}" # set -e passes its status on, after the clean-up above
