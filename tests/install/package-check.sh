#!/usr/bin/env bash
# Builds a Release tree of its own, makes the Debian package, checks what it
# holds and depends on, installs it with apt-get, runs it, removes it and
# checks that nothing of it is left while the user's own files stay.
# Run as root on Debian 12 (CI does); it installs into /usr for a moment.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${MIRELL_PACKAGE_BUILD_DIR:-$src/build-package}
fail() { echo "package-check: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "needs root for apt-get"
dpkg-query -W -f='${Status}' mirell 2>/dev/null | grep -q 'install ok installed' &&
  fail "mirell is installed already; remove it first"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DMIRELL_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/mirell_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$build/mirell_$(sed -n 's/^project(Mirell VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb: $(ls "$build"/*.deb 2>/dev/null)"

# Exactly the program, its plugin and the desktop's files; no tests, no benchmarks.
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print substr($6, 2)}' | sort)
id=io.github.mirell.Mirell
expected=$( {
  echo /usr/bin/mirell
  echo "/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/mirell/Chronome.so"
  echo /usr/share/applications/$id.desktop
  echo /usr/share/metainfo/$id.metainfo.xml
  echo /usr/share/man/man1/mirell.1.gz
  echo /usr/share/doc/mirell/copyright
  echo /usr/share/doc/mirell/changelog.gz
  echo /usr/share/icons/hicolor/scalable/apps/$id.svg
  for s in 16 22 24 32 48 64 128 256; do echo "/usr/share/icons/hicolor/${s}x$s/apps/$id.png"; done
} | sort)
[ "$files" = "$expected" ] || fail "package holds: $(diff <(echo "$expected") <(echo "$files"))"
depends=$(dpkg-deb -f "$deb" Depends)
for d in fonts-ipafont-gothic libqt6widgets6 libqt6gui6 libqt6dbus6 libxcb1; do
  grep -q "\b$d\b" <<<"$depends" || fail "Depends lacks $d: $depends"
done
# Settings and composed pictures are the user's: no maintainer script may
# run at removal and go after them.
scripts=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'inst$|rm$' || true)
[ -z "$scripts" ] || fail "maintainer scripts: $scripts"
# Debian's own judge of a package: errors and warnings fail, notes are printed.
source "$src/scripts/deps.sh"
mirell_install lintian
verdict=$(lintian --tag-display-limit 0 "$deb" 2>&1 || true)
[ -z "$verdict" ] || echo "$verdict"
! grep -qE '^[EW]: ' <<<"$verdict" || fail "lintian objects"

home=$(mktemp -d)
trap 'apt-get remove -y -qq mirell >/dev/null 2>&1 || true; rm -rf "$home"' EXIT
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >/dev/null
[ "$(/usr/bin/mirell --version)" = "Mirell 2.10.0" ] || fail "--version: $(/usr/bin/mirell --version)"
# From /usr/bin it finds Chronome in the multiarch lib folder and docks.
"$src/tests/with-xvfb.sh" --tray bash -c 'source "$0"; mirell_env "$1/session"
  /usr/bin/mirell & p=$!; wait_for 20 docked_icon $p >/dev/null; s=$?; kill $p; exit $s' \
  "$src/tests/install/xcheck.sh" "$home" || fail "the installed program did not dock"
installed=$(dpkg-query -L mirell | while read -r f; do [ -f "$f" ] && echo "$f"; done)
[ "$(sort <<<"$installed")" = "$expected" ] || fail "installed: $installed"

apt-get remove -y -qq mirell >/dev/null
for f in $installed; do [ ! -e "$f" ] || fail "$f is left after removal"; done
plugins=$(dirname "$(grep Chronome <<<"$installed")")
[ ! -e "$plugins" ] || fail "$plugins is left after removal"
echo "package-check: ok: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB, Depends: $depends"
