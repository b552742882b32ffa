#!/usr/bin/env bash
# Installs what building, running and testing Mirell needs on Debian 12.
# Sourced by run.sh and test.sh; installs only what is missing.
set -euo pipefail

MIRELL_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6dbus6 libqt6network6 libqt6svg6
  libxcb1-dev libxcb-randr0-dev libgl-dev libjpeg62-turbo-dev
  fonts-ipafont-gothic
  librsvg2-bin dpkg-dev
)
MIRELL_TEST_PACKAGES=(
  xvfb xauth trayer openbox xdotool x11-apps x11-utils x11-xserver-utils imagemagick feh
  libjpeg-turbo-progs xrestop procps dbus dbus-x11 libglib2.0-bin
  dconf-gsettings-backend dconf-cli gsettings-desktop-schemas
  cinnamon-desktop-data mate-desktop-common xfconf libxfconf-0-3 nodejs
  desktop-file-utils appstream
)
# The Windows build: Qt cross-built by scripts/windows-toolchain.sh, run under wine.
MIRELL_WINDOWS_PACKAGES=(
  g++-mingw-w64-x86-64-posix cmake ninja-build dpkg-dev ca-certificates
  qt6-base-dev qt6-base-dev-tools
)
MIRELL_WINDOWS_TEST_PACKAGES=(
  wine64 wine fonts-ipafont-gothic xvfb xauth trayer x11-utils xdotool imagemagick
)
# The zip and the installer of scripts/windows-package.sh.
MIRELL_WINDOWS_PACKAGING=(nsis zip)

mirell_missing() {
  local p missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  echo "${missing[@]:-}"
}

mirell_install() {
  local missing
  missing=$(mirell_missing "$@")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Run as root first:" >&2
    echo "  apt-get update && apt-get install -y --no-install-recommends $missing" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing >/dev/null
}
