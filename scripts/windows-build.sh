#!/usr/bin/env bash
# Builds Mirell for 64-bit Windows against the Qt of scripts/windows-toolchain.sh
# (prepared first when missing) and gathers the portable program folder:
#   scripts/windows-build.sh [build-folder]      (default: build-windows)
# The folder holds mirell.exe, Chronome.dll, the Qt and mingw runtime DLLs and
# the Qt plugins the program loads, nothing else; its path is the last line.
# MIRELL_WINDOWS_TESTS=1 also builds the platform-neutral tests.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build-windows}")
qt=${MIRELL_WINDOWS_QT:-${MIRELL_WINDOWS_CACHE:-/var/cache/mirell-windows}/qt6}
if [ ! -f "$qt/.mirell-toolchain" ]; then
  "$here/scripts/windows-toolchain.sh" >&2
fi
source "$here/scripts/deps.sh"
mirell_install "${MIRELL_WINDOWS_PACKAGES[@]}"

export MIRELL_WINDOWS_QT=$qt
mkdir -p "$build"
nice -n 10 cmake -S "$here" -B "$build" -G Ninja -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DMIRELL_BUILD_TESTS="${MIRELL_WINDOWS_TESTS:-0}" >"$build/configure.log" 2>&1 || {
  tail -30 "$build/configure.log" >&2
  exit 1
}
nice -n 10 ninja -C "$build" -j "${MIRELL_WINDOWS_JOBS:-2}" >&2

app=$build/Mirell
rm -rf "$app"
mkdir -p "$app/platforms" "$app/imageformats" "$app/styles"
cp "$build/bin/mirell.exe" "$build/bin/Chronome.dll" "$app/"
cp "$qt"/bin/Qt6{Core,Gui,Widgets,Network}.dll "$app/"
cp "$qt/plugins/platforms/qwindows.dll" "$app/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$app/styles/"
cp "$qt"/plugins/imageformats/q{jpeg,gif}.dll "$app/imageformats/"
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
cp "$runtime"/{libstdc++-6,libgcc_s_seh-1}.dll /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$app/"
# Debug sections are most of Qt's and the runtime's size. Stripping stamps
# each file's header with a time: the last commit's, so the same tree gives
# the same bytes.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$here" log -1 --format=%ct 2>/dev/null || date +%s)}
find "$app" \( -name '*.dll' -o -name '*.exe' \) -exec x86_64-w64-mingw32-strip {} +
find "$app" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
echo "$app"
