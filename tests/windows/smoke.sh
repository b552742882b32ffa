#!/usr/bin/env bash
# Builds smoke.cpp against the Qt prepared by scripts/windows-toolchain.sh and
# runs it under wine, with a fresh prefix on a private X server with a tray.
# Prints what the program reported and leaves a screenshot of its window:
#   tests/windows/smoke.sh [screenshot.png]     (default: windows-smoke.png)
# MIRELL_SMOKE_FONT=0 leaves the Japanese font out of the prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
shot=$(realpath -m "${1:-windows-smoke.png}")
qt=${MIRELL_WINDOWS_QT:-/var/cache/mirell-windows/qt6}
[ -f "$qt/.mirell-toolchain" ] || {
  echo "No Qt for Windows in $qt: run scripts/windows-toolchain.sh first." >&2
  exit 1
}
source "$here/scripts/deps.sh"
mirell_install "${MIRELL_WINDOWS_PACKAGES[@]}" "${MIRELL_WINDOWS_TEST_PACKAGES[@]}"

work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

MIRELL_WINDOWS_QT=$qt cmake -S "$here/tests/windows" -B "$work/build" -G Ninja -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$work/build" >/dev/null

app=$work/app
mkdir -p "$app/platforms" "$app/imageformats"
cp "$work/build/smoke.exe" "$qt"/bin/Qt6{Core,Gui,Widgets}.dll "$app/"
cp "$qt/plugins/platforms/qwindows.dll" "$app/platforms/"
cp "$qt"/plugins/imageformats/q{jpeg,gif}.dll "$app/imageformats/"
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
cp "$runtime"/{libstdc++-6,libgcc_s_seh-1}.dll /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$app/"

export wine=wine app work shot
command -v wine >/dev/null || wine=/usr/lib/wine/wine64
run() {
  "$wine" wineboot -i >/dev/null 2>&1
  if [ "${MIRELL_SMOKE_FONT:-1}" = 1 ]; then
    cp /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
  "$wine" "$app/smoke.exe" >"$work/out" 2>&1 &
  for _ in $(seq 600); do
    grep -q '^shown' "$work/out" && break
    sleep 0.1
  done
  grep -q '^shown' "$work/out" || return 1
  xdotool search --sync --onlyvisible --name '設定' >/dev/null
  import -window root "$shot"
}
rc=0
timeout 600 "$here/tests/with-xvfb.sh" --tray bash -c "$(declare -f run); run" || rc=$?
cat "$work/out"
[ $rc -eq 0 ] && echo "screenshot: $shot"
exit $rc
