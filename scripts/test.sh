#!/usr/bin/env bash
# Builds Mirell with its tests (installing what is missing) and runs the
# whole suite. Exits non-zero when any test fails.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=deps.sh
source "$here/scripts/deps.sh"
mirell_install "${MIRELL_PACKAGES[@]}" "${MIRELL_TEST_PACKAGES[@]}"
# The KDE test runs the generated script in node; any node will do.
command -v node >/dev/null || mirell_install nodejs

build="${MIRELL_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRELL_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
cd "$build"
ctest -j "$(nproc)" --output-on-failure --timeout 300
