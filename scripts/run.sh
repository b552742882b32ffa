#!/usr/bin/env bash
# Builds Mirell (installing what is missing) and starts it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=deps.sh
source "$here/scripts/deps.sh"
mirell_install "${MIRELL_PACKAGES[@]}"

# The test script's very configuration, so that alternating the two never
# reconfigures the folder nor rebuilds the program; only the program and its
# plugin are built here.
build="${MIRELL_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRELL_BUILD_TESTS=ON \
  >/dev/null
cmake --build "$build" -j "$(nproc)" --target mirell
exec "$build/bin/mirell"
