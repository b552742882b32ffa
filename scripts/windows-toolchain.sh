#!/usr/bin/env bash
# Prepares Qt for building Mirell for 64-bit Windows, once per machine:
# Debian 12's own qt6-base source cross-built with Debian's mingw-w64 and
# Debian's Qt host tools (moc, rcc, uic), installed into a cache folder
# outside the repository. A later run with the same configuration reuses it;
# an interrupted run picks up where the build stopped.
#
#   scripts/windows-toolchain.sh            # prepare (about an hour on 2 cores)
#   MIRELL_WINDOWS_CACHE=/elsewhere ...     # another cache folder
#   MIRELL_WINDOWS_JOBS=1 ...               # fewer parallel compiles (default 2)
#
# Prints the Qt folder on its last line.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

# Other work on the machine comes first: this runs at the lowest priority.
if [ -z "${MIRELL_WINDOWS_NICED:-}" ]; then
  export MIRELL_WINDOWS_NICED=1
  exec nice -n 19 ionice -c 3 "$0" "$@"
fi

# Qt's thousand objects would only push others' entries out of ccache.
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
source "$here/scripts/deps.sh"
mirell_install "${MIRELL_WINDOWS_PACKAGES[@]}"

cache=${MIRELL_WINDOWS_CACHE:-/var/cache/mirell-windows}
qt=$cache/qt6
jobs=${MIRELL_WINDOWS_JOBS:-2}
mkdir -p "$cache"

source "$here/scripts/windows-stages.sh"

# The same Debian revision as the host tools, so moc and the headers agree.
version=$(dpkg-query -W -f='${source:Version}' libqt6core6)

# Everything that decides what gets built; a change rebuilds from scratch.
toolchain=$cache/mingw-w64.cmake
qt_options=(
  -DCMAKE_BUILD_TYPE=Release
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  # Qt's own copies: nothing of these exists for mingw on Debian.
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
  # Modules Mirell does not use on Windows. Test stays: the suite runs under wine.
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_testlib=ON
  # Debian's source leaves out wintab.h.
  -DFEATURE_tabletevent=OFF
  # The 6.4 qwindows plugin does not compile without OpenGL; it stays on.
  -DFEATURE_opengl=ON
)
hash=$( (
  echo "$version"
  printf '%s\n' "${qt_options[@]}"
  grep -v -e '^ *#' -e '^ *$' "$here/cmake/mingw-w64.cmake"
) | sha256sum | cut -c1-16)
stamp=$qt/.mirell-toolchain

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$hash" ]; then
  echo "Qt for Windows is ready ($hash), reused."
  echo "$qt"
  exit 0
fi

build=$cache/build-$hash
if [ ! -d "$build" ]; then
  # Another configuration's leftovers would only take space.
  rm -rf "$cache"/build-* "$qt"
fi

# A private apt configuration: the system's sources are left as they are.
src=$cache/src/qt6-base-$version
if [ ! -f "$src/.mirell-unpacked" ]; then
  stage "source qt6-base $version"
  apt=$cache/apt
  mkdir -p "$apt/lists/partial" "$cache/src"
  cat >"$apt/sources.list" <<'LIST'
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
LIST
  apt_private=(
    -o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o Dir::State::Lists="$apt/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
    -o APT::Sandbox::User=root
  )
  apt-get "${apt_private[@]}" -qq update
  rm -rf "$cache/src"/*
  (cd "$cache/src" && apt-get "${apt_private[@]}" -qq source "qt6-base=$version")
  mv "$cache/src"/qt6-base-[0-9]* "$src" 2>/dev/null || true
  rm -f "$cache/src"/qt6-base_*
  [ -f "$src/CMakeLists.txt" ] || {
    echo "qt6-base $version did not unpack into $src" >&2
    exit 1
  }
  touch "$src/.mirell-unpacked"
fi

# Qt records its toolchain file; keep a copy beside the Qt it built.
cp "$here/cmake/mingw-w64.cmake" "$toolchain"

if [ ! -f "$build/build.ninja" ]; then
  stage configure
  mkdir -p "$build"
  cmake -S "$src" -B "$build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$qt" \
    "${qt_options[@]}" >"$build/configure.log" || {
    tail -40 "$build/configure.log" >&2
    exit 1
  }
fi

stage "build (-j$jobs)"
# Every target, so that cmake --install finds all it lists.
ninja -C "$build" -j "$jobs"

stage install
cmake --install "$build" >"$build/install.log"
echo "$hash" >"$stamp"
stage ""
echo "Qt for Windows is ready ($hash): $(du -sh "$qt" | cut -f1)"
echo "$qt"
