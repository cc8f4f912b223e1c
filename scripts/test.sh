#!/usr/bin/env bash
# Builds everything and runs every test headless.
#   SANITIZE=1 builds with AddressSanitizer and UndefinedBehaviorSanitizer.
#   WERROR=1 makes every compiler warning an error.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh
BUILD_DIR=${BUILD_DIR:-build}
SAN=OFF
[ "${SANITIZE:-0}" = 1 ] && SAN=ON
WERR=OFF
[ "${WERROR:-0}" = 1 ] && WERR=ON
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIDODUV_SANITIZE=$SAN -DVIDODUV_WERROR=$WERR
cmake --build "$BUILD_DIR" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}
cd "$BUILD_DIR" && ctest --output-on-failure -j"$(nproc)"
