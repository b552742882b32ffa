#!/usr/bin/env bash
# Builds the Windows wallpaper call with mingw-w64 (without Qt) and runs it
# under wine, reading the wallpaper back. Installs what it needs.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)

need=()
for p in g++-mingw-w64-x86-64-win32 wine64 wine; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "windows-check: run as root first: apt-get install -y --no-install-recommends ${need[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

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
if [ -z "${DISPLAY:-}" ]; then
  run=("$here/tests/with-xvfb.sh" "${run[@]}")
fi
rc=0
"${run[@]}" || rc=$?
exit $rc
