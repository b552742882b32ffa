#!/usr/bin/env bash
# Builds Mirell with its tests (installing what is missing) and runs the
# whole suite. Exits non-zero when any test fails. MIRELL_SANITIZE=1 runs it
# under the sanitizers instead (see below).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=deps.sh
source "$here/scripts/deps.sh"
mirell_install "${MIRELL_PACKAGES[@]}" "${MIRELL_TEST_PACKAGES[@]}"
# The KDE test runs the generated script in node; any node will do.
command -v node >/dev/null || mirell_install nodejs

build="${MIRELL_BUILD_DIR:-$here/build}"
extra=()
# MIRELL_SANITIZE=1: the same suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer in its own build folder; any report fails the test
# that caused it.
if [ "${MIRELL_SANITIZE:-0}" = 1 ]; then
  build="${MIRELL_BUILD_DIR:-$here/build-asan}"
  san="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
  extra=("-DCMAKE_CXX_FLAGS=$san" "-DCMAKE_EXE_LINKER_FLAGS=$san"
         "-DCMAKE_SHARED_LINKER_FLAGS=$san" "-DCMAKE_MODULE_LINKER_FLAGS=$san")
  export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
  export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp"
fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRELL_BUILD_TESTS=ON \
  "${extra[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
cd "$build"
ctest -j "$(nproc)" --output-on-failure --timeout 300
