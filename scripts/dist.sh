#!/usr/bin/env bash
# make dist: the Windows release. A Release build (optimised, stripped, no
# debug information, no tests) in its own folder, checked for DLLs a Windows
# user lacks, packed as build/dist/kelvane-<version>-win64.zip; prints the
# zip's path and SHA-256. "dist.sh kelvane" builds the release exe only.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/wine-env.sh
release="$KELVANE_BUILD_DIR/release"
cmake -S . -B "$release" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DKELVANE_TESTS=OFF -DKELVANE_DIST_DIR="$KELVANE_BUILD_DIR/dist" >/dev/null
cmake --build "$release" -j "$(nproc)" --target "${1:-dist}" -- --no-print-directory
