#!/usr/bin/env bash
# Makes the Windows packages, on Debian 12:
#   scripts/windows-package.sh [out-folder]     (default: out)
# builds Mirell for Windows (scripts/windows-build.sh; the cross-built Qt is
# prepared first when this machine lacks it) and writes into out-folder
#   Mirell-<version>-windows-x64.zip    the portable folder, to unpack anywhere
#   Mirell-<version>-setup.exe          the installer (per user or all users)
# Every file carries the last commit's time, so the same tree gives the same zip.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$here/out}")
source "$here/scripts/deps.sh"
mirell_install "${MIRELL_WINDOWS_PACKAGES[@]}" "${MIRELL_WINDOWS_PACKAGING[@]}"

build=${MIRELL_WINDOWS_BUILD:-$here/build-windows}
app=$("$here/scripts/windows-build.sh" "$build" | tail -1)
version=$(sed -n 's/^project(Mirell VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")

mkdir -p "$out"
zip=$out/Mirell-$version-windows-x64.zip
rm -f "$zip"
(cd "$(dirname "$app")" && find Mirell -type f | LC_ALL=C sort | TZ=UTC zip -q -X -9 "$zip" -@)

# The uninstaller removes exactly what the installer put there.
files=$build/uninstall-files.nsh
(
  cd "$app"
  find . -type f | LC_ALL=C sort | sed 's|^\./||; s|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|'
  find . -mindepth 1 -type d | LC_ALL=C sort -r | sed 's|^\./||; s|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|'
) >"$files"
setup=$out/Mirell-$version-setup.exe
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSOURCE="$app" -DFILES="$files" \
  -DOUTFILE="$setup" "$here/packaging/windows/Mirell.nsi"
ls -l "$zip" "$setup" | awk '{print $5, $9}'
