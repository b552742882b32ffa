#!/usr/bin/env bash
# The Windows program checked under wine, on a private X server with a tray:
# builds it (preparing the cross-built Qt when the cache lacks it), runs the
# platform-neutral tests built for Windows, then the program end to end with
# a fresh prefix, then the installer (scripts/windows-package.sh) both ways.
# Prints how long each stage took.
#   tests/windows/check.sh [build-folder]     (default: build-windows)
# Screenshots are left in the build folder (settings.png).
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)

if [ "${1:-}" = --inside ]; then
  build=$2
  source "$here/tests/windows/wine-steps.sh"
  source "$here/tests/windows/wine-readonly-steps.sh"
  source "$here/tests/windows/wine-install-steps.sh"
  exit 0
fi

build=$(realpath -m "${1:-$here/build-windows}")
source "$here/scripts/deps.sh"
mirell_install "${MIRELL_WINDOWS_PACKAGES[@]}" "${MIRELL_WINDOWS_TEST_PACKAGES[@]}"

stage_start=$SECONDS
stage() {
  local now=$SECONDS
  [ -z "${stage_name:-}" ] ||
    printf '== %s took %dm%02ds\n' "$stage_name" $(((now - stage_start) / 60)) $(((now - stage_start) % 60))
  stage_name=$1
  stage_start=$now
  [ -z "$stage_name" ] || echo "== $stage_name"
}

stage "Qt for Windows"
"$here/scripts/windows-toolchain.sh" | tail -1
stage "build and package"
MIRELL_WINDOWS_TESTS=1 MIRELL_WINDOWS_BUILD=$build "$here/scripts/windows-package.sh" "$build/out" |
  tail -2
x86_64-w64-mingw32-g++ -O1 -Wall -Wextra -municode -static \
  "$here/tests/windows/deskwallpaper.cpp" -o "$build/deskwallpaper.exe"
stage "wine"
rc=0
timeout 1200 "$here/tests/with-xvfb.sh" --tray "$0" --inside "$build" || rc=$?
stage ""
exit $rc
