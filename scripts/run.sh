#!/usr/bin/env bash
# Builds Mirell (installing what is missing) and starts it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=deps.sh
source "$here/scripts/deps.sh"
mirell_install "${MIRELL_PACKAGES[@]}"

build="${MIRELL_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRELL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
exec "$build/bin/mirell"
