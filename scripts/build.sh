#!/usr/bin/env bash
# Installs what is missing, creates the Wine prefix, configures and builds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/wine-env.sh
scripts/wine-prefix.sh
cmake -S . -B "$KELVANE_BUILD_DIR/mingw" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$KELVANE_BUILD_DIR/mingw" -j "$(nproc)" -- --no-print-directory
